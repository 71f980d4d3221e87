// Shared set-ups of the test suites: typed creation, a connected installation with the class
// records registered, and copies of the class libraries in an installation.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "support/TestInstallation.h"

// A new object of class T from the class's own factory.
template <class T>
std::shared_ptr<T> New() {
    return std::static_pointer_cast<T>(T::CreateObj());
}

// A test over a fresh installation: the database connected (schema created) and this library's
// class records registered with no class libraries listed.
class ConnectedInstallation : public ::testing::Test {
protected:
    void SetUp() override;
    TestInstallation inst;
};
