// The one setup of the area tests: a connected installation with the server class library
// and a client manager whose notifier and object-operate object record every call in order.
#pragma once

#include <cstdio>

#include "support/Test.h"

// Records each call as "name a,b,..." with the numbers in hexadecimal (the forward call: ID,
// server, first and last difference, propagate).
class RecordingClient : public CClientNotify, public CObjectOperate {
public:
    using u32 = std::uint32_t;
    void OnPropertyChange(u32 c, u32 id, u32 s, u32 pc, u32 p) override {
        Add("prop", {c, id, s, pc, p});
    }
    void OnObjectChange(u32 c, u32 id, u32 s, u32 a, u32 b) override {
        Add("change", {c, id, s, a, b});
    }
    void RefreshObject(u32 id, u32 s, u32 a, u32 b) override { Add("refresh", {id, s, a, b}); }
    void UpdatePersonnelCount(u32 id, u32 s) override { Add("personnel", {id, s}); }
    void StatisticsAlarmForward(u32 id, u32 s, const u32 d[15], int propagate) override {
        Add("forward", {id, s, d[0], d[14], static_cast<u32>(propagate)});
    }
    int Count(const std::string& prefix) const {
        return static_cast<int>(
            std::count_if(calls.begin(), calls.end(),
                          [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }

    std::vector<std::string> calls;

private:
    void Add(std::string call, std::initializer_list<u32> args) {
        char sep = ' ', buf[16];
        for (u32 v : args) {
            std::snprintf(buf, sizeof buf, "%c%x", sep, v);
            call += buf;
            sep = ',';
        }
        calls.push_back(call);
    }
};

class AreaTest : public ConnectedInstallation {
protected:
    AreaTest() : ConnectedInstallation(true) {}
    void SetUp() override {
        ConnectedInstallation::SetUp();
        SetIsServerMode(true);
        CClientManager::GetInstance()->SetClientNotify(&client);
        CClientManager::GetInstance()->SetObjectOperate(&client);
    }
    void TearDown() override {
        CClientManager::GetInstance()->SetClientNotify(nullptr);
        CClientManager::GetInstance()->SetObjectOperate(nullptr);
        ConnectedInstallation::TearDown();
        ReleaseTrackedObjects();
    }

    // A tracked object of a class of the class library.
    static std::shared_ptr<CAccessObject> MakeOf(std::uint32_t classID, std::uint32_t id) {
        auto object = Track(Create<CAccessObject>(classID, 1));
        if (object) object->SetID(id);
        return object;
    }
    // An alarm-bearing object whose fifteen source counters are first, first+1, ...
    static std::shared_ptr<CAccessObject> Alarm(std::uint32_t classID, std::uint32_t id,
                                                std::uint32_t first) {
        auto object = MakeOf(classID, id);
        for (int i = 0; i < kAlarmCounterCount; ++i) {
            object->SetProperty(kAlarmSourceClassID, kAlarmSourceProperty + i,
                                _variant_t(int(first + i)));
        }
        return object;
    }

    RecordingClient client;
};
