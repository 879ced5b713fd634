# Every text the sources mark for translation has an English translation: the translation file is
# brought up to date with the sources in a copy, and no message of the copy may be left unfinished.
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY_FILE ${TS_FILE} ${WORK_DIR}/check.ts)
execute_process(COMMAND ${LUPDATE} -silent -locations none -no-obsolete -I ${SOURCE_DIR}
                        -source-language zh_CN -target-language en
                        ${SOURCE_DIR}/core ${SOURCE_DIR}/ui ${SOURCE_DIR}/panels ${SOURCE_DIR}/app ${SOURCE_DIR}/collect ${SOURCE_DIR}/watch
                        -ts ${WORK_DIR}/check.ts
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${rc}): ${err}")
endif()
file(READ ${WORK_DIR}/check.ts ts)
string(REGEX MATCHALL "<source>[^<]*</source>[ \n\r\t]*<translation type=\"unfinished\">[^<]*</translation>" unfinished "${ts}")
string(REGEX MATCHALL "<translation></translation>" empty "${ts}")
list(LENGTH unfinished n)
list(LENGTH empty e)
if(n GREATER 0 OR e GREATER 0)
  string(REPLACE ";" "\n" listed "${unfinished}")
  message(FATAL_ERROR "${n} texts without an English translation, ${e} translated as nothing "
                      "(run the target update_translations and translate them in ${TS_FILE}):\n${listed}")
endif()
message(STATUS "every text has an English translation")
