# Runs the consumer test; see CMakeLists.txt beside it. Every step must
# succeed, and the programs must print what they read from the database.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "failed (${code}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

# The README shows the consumer program as it is built here, word for word.
file(READ ${CONSUMER_SOURCE_DIR}/consumer.cpp consumer_source)
file(READ ${README} readme)
string(FIND "${readme}" "${consumer_source}" shown_at)
if(shown_at EQUAL -1)
  message(FATAL_ERROR "README.md does not show tests/install/consumer/consumer.cpp as it is")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${VELAR_BUILD_DIR} --prefix ${prefix})
foreach(file include/velar/asa/VlrAsa.h include/velar/dblib/include/sqlca.h lib/libVlrSa3.so
             lib/libdblib6.so lib/libdblib7.so bin/vlrdbinit bin/vlrisql
             lib/cmake/Velar/VelarConfig.cmake lib/pkgconfig/velar.pc)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "the install lacks ${file}")
  endif()
endforeach()

# The installed vlrisql makes the database and finds its client library in
# the prefix on its own.
set(database ${WORK_DIR}/consumer.db)
file(WRITE ${WORK_DIR}/city.sql "CREATE TABLE city(name VARCHAR(40), people INTEGER);
INSERT INTO city VALUES ('Oslo', 709000), ('Bergen', 291000), ('Hamar', 31000);
")
run(${prefix}/bin/vlrisql --create ${database} -f ${WORK_DIR}/city.sql)
set(expected "Bergen 291000\nOslo 709000\n")

# Through the exported CMake package.
run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE_DIR} -B ${WORK_DIR}/cmake-build
  -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run(${WORK_DIR}/cmake-build/consumer ${prefix}/lib ${database})
if(NOT last_output STREQUAL expected)
  message(FATAL_ERROR "unexpected output of the CMake consumer: ${last_output}")
endif()

# Through pkg-config.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run(pkg-config --cflags --libs velar)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX_COMPILER} ${CONSUMER_SOURCE_DIR}/consumer.cpp -o ${WORK_DIR}/pc-consumer ${flags})
run(${WORK_DIR}/pc-consumer ${prefix}/lib ${database})
if(NOT last_output STREQUAL expected)
  message(FATAL_ERROR "unexpected output of the pkg-config consumer: ${last_output}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
