# Turns the one DDL file into a C++ string constant (the library creates
# missing tables from it when it connects).
file(READ ${IN} SQL_TEXT)
file(WRITE ${OUT} "// Generated from schema/installation.sql; do not edit.\n"
                  "extern const char* const kInstallationSchemaSql;\n"
                  "const char* const kInstallationSchemaSql = R\"__SQL__(${SQL_TEXT})__SQL__\";\n")
