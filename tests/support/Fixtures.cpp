#include "support/Fixtures.h"

#include <sys/wait.h>
#include <unistd.h>

#include "registry/ClassRegistry.h"
#include "startup/Startup.h"

void ConnectedInstallation::SetUp() {
    if (m_serverObjects) {
        ASSERT_NO_FATAL_FAILURE(inst.CopyClassLibrary("ServerObjects.so"));
        ASSERT_NO_FATAL_FAILURE(inst.WriteStationIni(
            "[LoadTolveObject]\nCount=1\nDLL_1=lib/ServerObjects.so\nLevel_1=1\n"));
    }
    ASSERT_NO_FATAL_FAILURE(inst.Connect());
    ASSERT_EQ(1, InitAllClassInfo(CString::FromUtf8(inst.dir() + "/")));
}

void ConnectedInstallation::TearDown() { DestroyAllObject(); }

int RunInChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    if (child == -1 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
