// What happens when the library is loaded into a process: the shared database connection
// object is created (and connected to $NAMEOBJECT_DB when set), and the library's own change
// observer is registered for every object class.
#include "notify/NameObjectChangeNotify.h"
#include "platform/Database.h"

namespace {

struct LibraryLoad {
    LibraryLoad() {
        NewDatabaseDll();
        RegisterLibraryChangeObserver();
    }
};

const LibraryLoad g_libraryLoad;

}  // namespace
