# Script run by the install_and_consume test.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
# Sanitized libraries need a sanitized program.
set(extra_flags "")
if(SANITIZE)
  set(extra_flags -fsanitize=address,undefined)
endif()

# CMake package.
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -DCMAKE_PREFIX_PATH=${prefix}
    "-DCMAKE_C_FLAGS=${extra_flags}" "-DCMAKE_CXX_FLAGS=${extra_flags}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/read_sample ${SAMPLE})
if(NOT last_output MATCHES "ZR-READERS 39\nversions 20046 1000a 10018 10001 2002c")
  message(FATAL_ERROR "unexpected output: ${last_output}")
endif()

run(${WORK_DIR}/consumer/read_sample_cpp ${SAMPLE})
if(NOT last_output MATCHES "Code 39: ZR-READERS 39\n")
  message(FATAL_ERROR "unexpected output of the C++ consumer: ${last_output}")
endif()

# The Python package, found in the prefix alone.
if(PYTHON AND PYTHON_DIR)
  set(ENV{PYTHONPATH} ${prefix}/${PYTHON_DIR})
  run(${PYTHON} ${CONSUMER_DIR}/read_sample.py ${SAMPLE})
  if(NOT last_output MATCHES "'ZR-READERS 39'")
    message(FATAL_ERROR "unexpected output of the Python package: ${last_output}")
  endif()
endif()

# pkg-config.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
find_program(PKG_CONFIG pkg-config REQUIRED)
run(${PKG_CONFIG} --cflags --libs ZrReaders)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX_COMPILER} -std=c++17 ${extra_flags} ${CONSUMER_DIR}/read_sample_cpp.cpp ${flags} -Wl,-rpath,${prefix}/lib -o ${WORK_DIR}/read_sample_cpp_pc)
run(${WORK_DIR}/read_sample_cpp_pc ${SAMPLE})
run(${PKG_CONFIG} --cflags --libs ZrBar ZrQR ZrDM ZrMicroQR ZrPDF417 ZrImgRW)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${C_COMPILER} -std=c99 ${extra_flags} ${CONSUMER_DIR}/read_sample.c ${flags} -Wl,-rpath,${prefix}/lib -o ${WORK_DIR}/read_sample_pc)
run(${WORK_DIR}/read_sample_pc ${SAMPLE})
if(NOT last_output MATCHES "ZR-READERS 39\nversions 20046 1000a 10018 10001 2002c")
  message(FATAL_ERROR "unexpected output: ${last_output}")
endif()
