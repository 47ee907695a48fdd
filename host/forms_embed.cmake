# Form resources: form files compiled into a library as text.
#
# velar_embed_form(TARGET FILE SYMBOL) adds to TARGET the zero-terminated
# char array SYMBOL ("ns::kName") holding FILE's text, made again whenever
# FILE changes. A header of the library declares it: extern const char kName[];
#
# Run as a script (cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P this file)
# it writes that source.

if(CMAKE_SCRIPT_MODE_FILE)
  file(READ "${INPUT}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    "
         bytes "${bytes}")
  string(REGEX MATCH "^(.*)::([^:]*)$" matched "${SYMBOL}")
  set(namespace "${CMAKE_MATCH_1}")
  set(name "${CMAKE_MATCH_2}")
  get_filename_component(source_name "${INPUT}" NAME)
  file(WRITE "${OUTPUT}"
    "// Made from ${source_name} at build time; edit that file instead.\n"
    "namespace ${namespace} {\n"
    "extern const char ${name}[];\n"
    "const char ${name}[] = {\n    ${bytes}0x00};\n"
    "}  // namespace ${namespace}\n")
  return()
endif()

set(VELAR_FORMS_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_FILE} CACHE INTERNAL "")

function(velar_embed_form target file symbol)
  get_filename_component(name ${file} NAME_WE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}_vfm.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P ${VELAR_FORMS_EMBED_SCRIPT}
    DEPENDS ${file} ${VELAR_FORMS_EMBED_SCRIPT}
    COMMENT "Embedding form resource ${name}.vfm" VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
