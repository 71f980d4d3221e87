# noctl on a PostgreSQL database given as --db URL: init on a fresh database of the server that
# NAMEOBJECT_TEST_PG names (skipped without one), then sample, info, load and tree with --dir
# alone, the installation's station file naming the database.
# Run by ctest with -DNOCTL=<noctl> -DWORK=<directory>.
set(server "$ENV{NAMEOBJECT_TEST_PG}")
if(server STREQUAL "")
  message("[  SKIPPED ] NAMEOBJECT_TEST_PG names no server")
  return()
endif()
string(RANDOM LENGTH 8 ALPHABET abcdefghijklmnopqrstuvwxyz suffix)
set(name noctl_smoke_${suffix})
string(REGEX REPLACE "/[^/?]*([?].*)?$" "/${name}" url "${server}")
execute_process(COMMAND psql -q "${server}" -c "CREATE DATABASE ${name}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot create database ${name} on ${server}")
endif()
file(REMOVE_RECURSE ${WORK})

set(failure "")
foreach(step "initialised@init;${WORK};--server-no;0x01000000;--server-mask;0xFF000000"
             "added 10 objects and 9 memberships@sample"
             "NameObject +10@info"
             "objects 15, containers 7, memberships 12@load"
             "CServerObject \"Server\"[^\n]*\n  CAreaGroup \"Site\"[^\n]*\n    CArea \"Hall\"@tree")
  string(FIND "${step}" "@" at)
  string(SUBSTRING "${step}" 0 ${at} expect)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${step}" ${at} -1 args)
  set(db "")
  if(expect STREQUAL "initialised")
    set(db --db ${url})
  endif()
  execute_process(COMMAND ${NOCTL} --dir ${WORK} ${db} ${args}
                  OUTPUT_VARIABLE o ERROR_VARIABLE e RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT "${o}${e}" MATCHES "${expect}")
    set(failure "noctl ${args}: exit ${rc}, expected /${expect}/ in:\n${o}${e}")
    break()
  endif()
endforeach()

execute_process(COMMAND psql -q "${server}" -c "DROP DATABASE ${name}")
file(REMOVE_RECURSE ${WORK})
if(failure)
  message(FATAL_ERROR "${failure}")
endif()
