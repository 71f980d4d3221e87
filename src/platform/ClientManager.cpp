// The process's one client manager.
#include "platform/ClientManager.h"

CClientManager* CClientManager::GetInstance() {
    // Never destroyed: hosts may still ask for it while the process exits.
    static CClientManager* instance = new CClientManager;
    return instance;
}
