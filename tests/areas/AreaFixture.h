// The one setup of the area tests: a connected installation with the server class library
// (alarm objects 350, alarm hosts 73, platform linkages 13, server objects 0) and a client
// manager whose notifier and object-operate object record every call in order.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "areas/Area.h"
#include "areas/AreaGroup.h"
#include "platform/ClientManager.h"
#include "platform/Config.h"
#include "registry/ClassRegistry.h"
#include "support/TestInstallation.h"
#include "support/TrackedObjects.h"

class RecordingClient : public CClientNotify, public CObjectOperate {
public:
    void OnPropertyChange(std::uint32_t cls, std::uint32_t id, std::uint32_t server,
                          std::uint32_t propClass, std::uint32_t prop) override {
        Add("prop", {cls, id, server, propClass, prop});
    }
    void OnObjectChange(std::uint32_t cls, std::uint32_t id, std::uint32_t server, std::uint32_t a,
                        std::uint32_t b) override {
        Add("change", {cls, id, server, a, b});
    }
    void RefreshObject(std::uint32_t id, std::uint32_t server, std::uint32_t a,
                       std::uint32_t b) override {
        Add("refresh", {id, server, a, b});
    }
    void UpdatePersonnelCount(std::uint32_t id, std::uint32_t server) override {
        Add("personnel", {id, server});
    }
    void StatisticsAlarmForward(std::uint32_t id, std::uint32_t server, const std::uint32_t d[15],
                                int propagate) override {
        Add("forward", {id, server, d[0], d[14], static_cast<std::uint32_t>(propagate)});
    }

    // Each call as "name a,b,c" with the numbers in hexadecimal.
    std::vector<std::string> calls;

private:
    void Add(const char* name, std::initializer_list<std::uint32_t> args) {
        std::string s = name;
        char sep = ' ';
        for (std::uint32_t v : args) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%x", v);
            s += sep;
            s += buf;
            sep = ',';
        }
        calls.push_back(s);
    }
};

class AreaTest : public ReleasesTrackedObjects {
protected:
    void SetUp() override {
        std::filesystem::create_directories(inst.dir() + "/lib");
        std::filesystem::copy_file(std::string(NAMEOBJECT_CLASSLIB_DIR) + "/ServerObjects.so",
                                   inst.dir() + "/lib/ServerObjects.so");
        inst.WriteStationIni("[LoadTolveObject]\nCount=1\nDLL_1=lib/ServerObjects.so\nLevel_1=1\n");
        inst.Connect();
        ASSERT_EQ(1, InitAllClassInfo(CString::FromUtf8(inst.dir() + "/")));
        SetIsServerMode(true);
        CClientManager::GetInstance()->SetClientNotify(&client);
        CClientManager::GetInstance()->SetObjectOperate(&client);
    }
    void TearDown() override {
        CClientManager::GetInstance()->SetClientNotify(nullptr);
        CClientManager::GetInstance()->SetObjectOperate(nullptr);
        ReleasesTrackedObjects::TearDown();
    }

    // A tracked object of a class of the class library.
    static std::shared_ptr<CAccessObject> MakeOf(std::uint32_t classID, std::uint32_t id) {
        auto object = Track(std::dynamic_pointer_cast<CAccessObject>(CreateNewObject(classID)));
        if (object) {
            object->SetID(id);
            object->SetServerNO(1);
        }
        return object;
    }
    // An alarm-bearing object whose fifteen source counters are first, first+1, ...
    static std::shared_ptr<CAccessObject> Alarm(std::uint32_t classID, std::uint32_t id,
                                                std::uint32_t first) {
        auto object = MakeOf(classID, id);
        for (int i = 0; i < kAlarmCounterCount; ++i) {
            object->SetProperty(kAlarmSourceClassID, kAlarmSourceProperty + i, _variant_t(int(first + i)));
        }
        return object;
    }

    TestInstallation inst;
    RecordingClient client;
};
