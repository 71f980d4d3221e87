# noctl end to end on a fresh installation: init, sample, load, check, can, tree and show, checking what they
# print. Run by ctest with -DNOCTL=<noctl> -DCLASSLIB=<ServerObjects.so> -DWORK=<directory>.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/Config)
# Class libraries are named relative to the installation directory.
file(RELATIVE_PATH classlib ${WORK} ${CLASSLIB})
file(WRITE ${WORK}/Config/ServerStation.ini "[LoadTolveObject]\nCount=1\nDLL_1=${classlib}\nLevel_1=1\n")

function(noctl expect)
  execute_process(COMMAND ${NOCTL} --db ${WORK}/installation.db --installation ${WORK} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "noctl ${ARGN} failed (${rc}): ${out}${err}")
  endif()
  if(NOT out MATCHES "${expect}")
    message(FATAL_ERROR "noctl ${ARGN}: expected /${expect}/ in:\n${out}")
  endif()
  set(CMAKE_MATCH_1 "${CMAKE_MATCH_1}" PARENT_SCOPE)  # for a caller that captures a value
endfunction()

noctl("initialised" init --server-no 0x01000000 --server-mask 0xFF000000)
noctl("added 10 objects and 9 memberships" sample)
noctl("NameObject +10" info)
noctl("CServerObject +3 +3" classes)
noctl("object ID counter +0x01000109" ids)
# The sample's 10 objects and 9 memberships, and the built-ins of a first start: the
# administrator, two privilege objects and two groups, the three of them in the server object.
noctl("objects 15, containers 7, memberships 12\nmissing containers: 0\nmissing members: 0" load)
noctl("allowed\ngranted: administrator" check admin 0 0x01000000 7 3 --explain)
noctl("\"Hall\"\n[^\n]*\"Office\"\n2 objects" can admin 7 3 --class 62)
noctl("CServerObject \"Server\"[^\n]*\n  CAreaGroup \"Site\"[^\n]*\\[total alarms 0\\]\n    CArea \"Hall\" \\(class 62, ID (0x[0-9A-F]+)[^\n]*\\[total alarms 0\\]" tree)
set(hall ${CMAKE_MATCH_1})
noctl("CArea \"Hall\" \\(class 62, ID ${hall}.*SmsReplyTimeout +60\n.*objects in area +3\n.*alarm counters:\n  TotalAlarmCount +0\n" show 62 ${hall})
file(REMOVE_RECURSE ${WORK})
