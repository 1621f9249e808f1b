# Reads every bundled sample with zrread and checks the text samples/README.md gives for it.
set(expected
  "code39.png=ZR-READERS 39"
  "code39-check.png=HELLO123H"
  "code128.png=ZrReaders 128"
  "code93.png=ZR-93-+"
  "codabar.png=A40156B"
  "ean13.png=4006381333931"
  "itf.png=20261208"
  "upce.png=04252614")
foreach(entry IN LISTS expected)
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 file)
  list(GET parts 1 text)
  execute_process(COMMAND ${ZRREAD} --json --kind linear ${SAMPLES}/${file}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${file}: exit ${rc}: ${err}")
  endif()
  string(JSON count GET "${out}" count)
  string(JSON got GET "${out}" results 0 text)
  if(NOT count EQUAL 1 OR NOT got STREQUAL text)
    message(FATAL_ERROR "${file}: expected one symbol '${text}', got ${count}: ${out}")
  endif()
endforeach()
