# Makes the build's packages and checks what a user gets from them: the
# .deb's metadata and files, the 2010 dialogue from its unpacked raisecalc,
# byte for byte, and each Windows zip built beside it (build/windows-*),
# which holds the two programs and a README with Windows line breaks.
# cmake -DBUILD=DIR -DOUT=DIR -P package_check.cmake
function(expect what text)
  foreach(line IN LISTS ARGN)
    string(FIND "${text}" "${line}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${what} lacks [${line}]:\n${text}")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G "DEB;TGZ" -B ${OUT}
  WORKING_DIRECTORY ${BUILD} RESULT_VARIABLE rc OUTPUT_QUIET)
file(GLOB deb ${OUT}/*.deb)
file(GLOB tgz ${OUT}/*.tar.gz)
if(NOT rc EQUAL 0 OR NOT deb OR NOT tgz)
  message(FATAL_ERROR "cpack made no .deb and .tar.gz (status ${rc})")
endif()

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND dpkg-deb --info ${deb} OUTPUT_VARIABLE info)
expect("dpkg-deb --info" "${info}" "Package: raisecalc-cardform\n" "Architecture: ${arch}\n"
  "Section: utils\n" "Description: salary projection and contact form, in Portuguese\n  Two ")
string(FIND "${info}" "Depends:" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "the programs are static, yet the package depends:\n${info}")
endif()
execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE contents)
expect("dpkg-deb --contents" "${contents}" " ./usr/bin/raisecalc\n" " ./usr/bin/cardform\n"
  " ./usr/share/man/man1/raisecalc.1.gz\n" " ./usr/share/man/man1/cardform.1.gz\n"
  " ./usr/share/doc/raisecalc-cardform/copyright\n"
  " ./usr/share/doc/raisecalc-cardform/changelog.gz\n")

execute_process(COMMAND dpkg-deb -x ${deb} ${OUT}/root)
file(WRITE ${OUT}/answers "2010\n\n")
execute_process(COMMAND ${OUT}/root/usr/bin/raisecalc INPUT_FILE ${OUT}/answers
  OUTPUT_FILE ${OUT}/shown RESULT_VARIABLE rc)
file(READ ${OUT}/shown shown HEX)
string(HEX "Digite o ano atual: Novo sal" before)
string(HEX "rio = 1539.04" after)
if(NOT rc EQUAL 0 OR NOT shown STREQUAL "${before}e1${after}")
  message(FATAL_ERROR "the packaged raisecalc: status ${rc}, wrote (hex) ${shown}")
endif()

file(GLOB zips ${BUILD}/../windows-*/*.zip)
foreach(zip IN LISTS zips)
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${zip} OUTPUT_VARIABLE listed)
  string(REGEX REPLACE "[^\n]*/" "" names "${listed}")
  if(NOT names STREQUAL "raisecalc.exe\ncardform.exe\nREADME.txt\n")
    message(FATAL_ERROR "${zip} holds:\n${listed}")
  endif()
  file(MAKE_DIRECTORY ${OUT}/zip)
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${OUT}/zip)
  file(GLOB readme ${OUT}/zip/*/README.txt)
  file(READ ${readme} text HEX LIMIT 64)
  if(NOT text MATCHES "^([0-9a-f][0-9a-f])*0d0a")
    message(FATAL_ERROR "${zip}: README.txt without Windows line breaks")
  endif()
  file(REMOVE_RECURSE ${OUT}/zip)
  message(STATUS "checked ${zip}")
endforeach()
message(STATUS "packaged and checked in ${OUT}")
