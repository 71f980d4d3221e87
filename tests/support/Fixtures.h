// Shared set-ups of the test suites: typed creation and creation by class ID, a connected
// installation with the class records registered, and copies of the class libraries in an
// installation.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "registry/ClassRegistry.h"
#include "registry/ServerIdentity.h"
#include "support/TestInstallation.h"

// A new object of class T from the class's own factory.
template <class T>
std::shared_ptr<T> New() {
    return std::static_pointer_cast<T>(T::CreateObj());
}
// The same, with a full name.
template <class T>
std::shared_ptr<T> Named(const char16_t* fullName) {
    auto object = New<T>();
    object->SetFullName(fullName);
    return object;
}

// A new object of a registered class as a T, of the given server (by default the current one);
// null, and a test failure, when the class is not registered.
template <class T = CNameObject>
std::shared_ptr<T> Create(std::uint32_t classID, std::uint32_t server = GetCurrentServerNO()) {
    auto object = std::dynamic_pointer_cast<T>(CreateNewObject(classID));
    EXPECT_TRUE(object) << "class " << classID << " is not registered";
    if (object) object->SetServerNO(server);
    return object;
}

// A test over a fresh installation: the database connected (schema created) and the class
// records registered; at the end every stored object is released as shutdown does. With
// `serverObjects` the installation lists the class library ServerObjects.so (server object 0,
// platform linkage 13, card holder group 59, alarm host 73, alarm object 350, card holder 501);
// otherwise no class library.
class ConnectedInstallation : public ::testing::Test {
protected:
    explicit ConnectedInstallation(bool serverObjects = false) : m_serverObjects(serverObjects) {}
    void SetUp() override;
    void TearDown() override;
    TestInstallation inst;

private:
    bool m_serverObjects;
};

// Runs `body` in a forked child process (a process of its own, as a separate start of the host
// would be) and returns its exit code: body's result, or -1 when the child did not exit.
int RunInChild(const std::function<int()>& body);
