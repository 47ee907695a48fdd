// Unit VlrAsaDS: the ASA dataset, its parameters, its master link and its
// blob stream.
#pragma once

#include "asa/dataset/VlrAsaDataset.h"
#include "asa/dataset/VlrAsaDatasetLink.h"
#include "asa/dataset/VlrAsaParams.h"

namespace velar {

// The unit's registration: TAsaDataset on the palette page "VelarDB".
void RegisterVlrAsaDS();

}  // namespace velar
