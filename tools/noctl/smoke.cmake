# noctl end to end as a process over a fresh installation directory: each command's output,
# its --json parsed back, and the exit codes of bad input (1 refused, 2 usage).
# Run by ctest with -DNOCTL=<noctl> -DWORK=<directory>.
file(REMOVE_RECURSE ${WORK})

# noctl(RC EXPECT ARGS...): runs noctl on the installation, checks the exit code and that
# standard output + error match EXPECT; the output is left in `out`.
function(noctl want expect)
  execute_process(COMMAND ${NOCTL} --dir ${WORK} ${ARGN} OUTPUT_VARIABLE o ERROR_VARIABLE e RESULT_VARIABLE rc)
  if(NOT rc EQUAL want)
    message(FATAL_ERROR "noctl ${ARGN}: exit ${rc}, expected ${want}: ${o}${e}")
  endif()
  if(NOT "${o}${e}" MATCHES "${expect}")
    message(FATAL_ERROR "noctl ${ARGN}: expected /${expect}/ in:\n${o}${e}")
  endif()
  set(out "${o}" PARENT_SCOPE)
  set(CMAKE_MATCH_1 "${CMAKE_MATCH_1}" PARENT_SCOPE)  # for a caller that captures a value
endfunction()

# init writes the station file (naming the class library), the language file and the database.
noctl(0 "initialised" init ${WORK} --server-no 0x01000000 --server-mask 0xFF000000)
file(READ ${WORK}/Config/ServerStation.ini station)
file(READ ${WORK}/Language/English.ini language)
if(NOT station MATCHES "DLL_1=[^\n]*ServerObjects.so" OR NOT language MATCHES "ERR_A3E90065=The object does not exist")
  message(FATAL_ERROR "init wrote:\n${station}\n${language}")
endif()
noctl(0 "added 10 objects and 9 memberships" sample)
noctl(0 "NameObject +10" info)
noctl(0 "CServerObject +3 +3" classes)
noctl(0 "object ID counter +0x01000109" ids)
# The sample's 10 objects and 9 memberships, and the built-ins of a first start: the
# administrator, two privilege objects and two groups, the three of them in the server object.
noctl(0 "objects 15, containers 7, memberships 12\nmissing containers: 0\nmissing members: 0" load)
noctl(0 "allowed\ngranted: administrator" check admin 0 0x01000000 7 3 --explain)
noctl(0 "\"Hall\"\n[^\n]*\"Office\"\n2 objects" can admin 7 3 --class 62)
noctl(0 "CServerObject \"Server\"[^\n]*\n  CAreaGroup \"Site\"[^\n]*\\[total alarms 0\\]\n    CArea \"Hall\" \\(class 62, ID (0x[0-9A-F]+)[^\n]*\\[total alarms 0\\]" tree)
set(hall ${CMAKE_MATCH_1})
noctl(0 "CArea \"Hall\" \\(class 62, ID ${hall}.*members:\n  3:0x[0-9A-F]+ \"Staff\".*SmsReplyTimeout +60\n.*objects in area +3\n.*alarm counters:\n  TotalAlarmCount +0\n" show 62 ${hall})

# --json parsed back.
noctl(0 "" load --json)
string(JSON objects GET "${out}" objects)
string(JSON seconds GET "${out}" seconds)
if(NOT objects EQUAL 15 OR seconds LESS 0)
  message(FATAL_ERROR "load --json: ${out}")
endif()
noctl(0 "" show 62 ${hall} --json)
string(JSON name GET "${out}" name)
string(JSON member GET "${out}" members 0 name)
string(JSON timeout GET "${out}" parameters SmsReplyTimeout)
if(NOT name STREQUAL "Hall" OR NOT member STREQUAL "Staff" OR NOT timeout EQUAL 60)
  message(FATAL_ERROR "show --json: ${out}")
endif()
noctl(0 "" tree --depth 1 --json)
string(JSON server GET "${out}" 0 name)
string(JSON site GET "${out}" 0 members 0 name)
if(NOT server STREQUAL "Server" OR NOT site STREQUAL "Site" OR out MATCHES "\"Hall\"")
  message(FATAL_ERROR "tree --depth 1 --json: ${out}")
endif()
noctl(0 "" check admin 0 0x01000000 7 3 --json)
string(JSON allowed GET "${out}" allowed)
noctl(0 "" ids --json)
string(JSON serverNO GET "${out}" serverNO)
if(NOT allowed STREQUAL "ON" OR NOT serverNO EQUAL 16777216)
  message(FATAL_ERROR "check/ids --json: ${allowed} ${serverNO}")
endif()

# Bad input: usage errors exit 2, refusals and missing objects exit 1, each with one line.
noctl(2 "\"zz\" is not an object ID" show 62 zz)
noctl(2 "" show 62)
noctl(2 "" nosuchcommand)
noctl(2 "HOLDER is required" grant "System manager group" 62 ${hall})
noctl(1 "no object 62:0x00000005 is loaded" show 62 5)
noctl(1 "no operator \"nobody\"" check nobody 62 ${hall} 7 3)
execute_process(COMMAND ${NOCTL} --dir ${WORK}/missing info RESULT_VARIABLE rc ERROR_VARIABLE e)
if(NOT rc EQUAL 1 OR NOT e MATCHES "no installation database")
  message(FATAL_ERROR "info on a missing installation: ${rc} ${e}")
endif()
file(REMOVE_RECURSE ${WORK})

# A demo site in a second installation: guard1's group holds the privilege on the first
# building and is locked out of its first area.
set(WORK ${WORK}-demo)
file(REMOVE_RECURSE ${WORK})
noctl(0 "initialised" init ${WORK})
noctl(0 "demo site: 312 objects and 309 memberships" demo)
noctl(0 "objects 317, containers 14, memberships 312\nmissing containers: 0\nmissing members: 0" load)
noctl(0 "6 objects" can guard1 7 3 --class 62)
noctl(0 "CArea \"Area 1\" \\(class 62, ID (0x[0-9A-F]+)" tree --class 62)
set(area1 ${CMAKE_MATCH_1})
noctl(0 "denied\ndenied: locked by group [0-9]+ \\(Guards\\)" check guard1 62 ${area1} 7 3 --explain)
noctl(2 "" demo --scale 0)
file(REMOVE_RECURSE ${WORK})
