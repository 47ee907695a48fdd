# What `cmake --install` puts in a prefix, as C++ users expect of a library:
#   include/velar/{host,base,asa,dblib/include}/...   headers, included as
#                                                      "asa/VlrAsa.h" with
#                                                      include/velar on the path
#   lib/      libhost, libVlrPack5, libVlrSa3 and the stand-in client
#             libraries (libdblib7.so, libdblib6.so, libdblib5.so)
#   bin/      vlrdbinit and the other tools
#   lib/cmake/Velar/   find_package(Velar): Velar::VlrSa3, Velar::VlrPack5,
#                      Velar::host with their include directories
#   lib/pkgconfig/velar.pc
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELAR_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/velar)
set(VELAR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Velar)

# Installed programs and libraries find their neighbours without a search
# path: libraries beside each other, programs one directory up.
set_target_properties(host VlrPack5 VlrSa3 PROPERTIES INSTALL_RPATH "$ORIGIN")

# Headers are written from the repository root in the build and from
# include/velar in an install; consumers of the targets get the right one.
target_include_directories(host PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
  $<INSTALL_INTERFACE:${VELAR_INCLUDE_SUBDIR}>)
target_compile_features(host PUBLIC cxx_std_20)
if(VELAR_SANITIZE)
  # A program linked against instrumented libraries needs the runtimes too.
  target_link_options(host INTERFACE -fsanitize=address,undefined)
endif()

foreach(layer host base asa)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${layer}/ DESTINATION ${VELAR_INCLUDE_SUBDIR}/${layer}
    FILES_MATCHING PATTERN "*.h")
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/dblib/include/
  DESTINATION ${VELAR_INCLUDE_SUBDIR}/dblib/include FILES_MATCHING PATTERN "*.h")

install(TARGETS host VlrPack5 VlrSa3 EXPORT VelarTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS dblib7 dblib6 dblib5 LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
foreach(tool ${VELAR_INSTALLED_TOOLS})
  if(TARGET ${tool})
    set_target_properties(${tool} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(EXPORT VelarTargets NAMESPACE Velar:: DESTINATION ${VELAR_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VelarConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VelarConfig.cmake INSTALL_DESTINATION ${VELAR_CMAKE_DIR}
  PATH_VARS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_BINDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VelarConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VelarConfig.cmake ${PROJECT_BINARY_DIR}/VelarConfigVersion.cmake
  DESTINATION ${VELAR_CMAKE_DIR})

set(VELAR_PC_EXTRA_LIBS "")
if(VELAR_SANITIZE)
  set(VELAR_PC_EXTRA_LIBS "-fsanitize=address,undefined")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/velar.pc.in ${PROJECT_BINARY_DIR}/velar.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/velar.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
