#include "host/exceptions.h"

namespace host {

// Out-of-line destructors anchor each class's type information in libhost, so
// that an exception thrown in one shared library is caught by type in another.
Exception::~Exception() = default;
EConvertError::~EConvertError() = default;
EVariantError::~EVariantError() = default;
EInvalidCast::~EInvalidCast() = default;
EListError::~EListError() = default;
EStreamError::~EStreamError() = default;
EFOpenError::~EFOpenError() = default;
EFCreateError::~EFCreateError() = default;
EFilerError::~EFilerError() = default;
EReadError::~EReadError() = default;
EWriteError::~EWriteError() = default;
EClassNotFound::~EClassNotFound() = default;
EComponentError::~EComponentError() = default;
EInvalidOperation::~EInvalidOperation() = default;
EOSError::~EOSError() = default;
EDatabaseError::~EDatabaseError() = default;
EAbort::~EAbort() = default;

// The text is for debuggers only; handlers never show an EAbort.
void Abort() {
  throw EAbort("Operation aborted");
}

// One text for lists of lines, components, properties and handlers alike.
void RaiseListIndexError(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

}  // namespace host
