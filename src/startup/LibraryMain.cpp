// What happens when the library is loaded into a process: the shared database connection
// object is created (and connected to $NAMEOBJECT_DB when set), the library's own change
// observer is registered for every object class, and the change log learns to read an
// operator's ID.
#include "core/NameObjectLog.h"
#include "notify/NameObjectChangeNotify.h"
#include "operators/Operator.h"
#include "platform/Database.h"

namespace {

struct LibraryLoad {
    LibraryLoad() {
        NewDatabaseDll();
        RegisterLibraryChangeObserver();
        SetOperatorIDReader([](const COperator& op) { return op.GetID(); });
    }
};

const LibraryLoad g_libraryLoad;

}  // namespace
