#include "support/Fixtures.h"

#include "registry/ClassRegistry.h"

void ConnectedInstallation::SetUp() {
    ASSERT_NO_FATAL_FAILURE(inst.Connect());
    ASSERT_EQ(1, InitAllClassInfo(CString::FromUtf8(inst.dir() + "/")));
}
