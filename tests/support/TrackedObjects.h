// Objects made by a membership test. The fixture's end releases them as the library's shutdown
// does, so that membership and area cycles do not outlive the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/NameObject.h"

inline std::vector<std::weak_ptr<CNameObject>>& TrackedObjects() {
    static std::vector<std::weak_ptr<CNameObject>> made;
    return made;
}

template <class T>
std::shared_ptr<T> Track(std::shared_ptr<T> object) {
    TrackedObjects().push_back(object);
    return object;
}

// A new tracked object of class T with the given ID and server number.
template <class T>
std::shared_ptr<T> Make(std::uint32_t id, std::uint32_t serverNO = 1) {
    auto object = Track(std::static_pointer_cast<T>(T::CreateObj()));
    object->SetID(id);
    object->SetServerNO(serverNO);
    return object;
}

// Releases every tracked object still alive as the library's shutdown does.
inline void ReleaseTrackedObjects() {
    for (const auto& made : TrackedObjects()) {
        if (auto object = made.lock()) object->FinalRelease();
    }
}

class ReleasesTrackedObjects : public ::testing::Test {
protected:
    void TearDown() override { ReleaseTrackedObjects(); }
};
