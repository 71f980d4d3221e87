// A test observer of every kind of object event: notes "name:operation" in a log and answers a
// fixed result.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "notify/ObjectNotify.h"

using NotifyLog = std::vector<std::string>;

class NotifyRecorder final : public CObjectChangeNotify,
                             public CObjectInsertNotify,
                             public CObjectDeleteNotify,
                             public CObjectAddToContainerNotity,
                             public CObjectRemoveFromContainerNotify,
                             public CObjectRelationChangeNotify {
public:
    using Obj = std::shared_ptr<CNameObject>;
    using Box = std::shared_ptr<CContainer>;
    using R = std::int32_t;
    using U = std::uint32_t;

    NotifyRecorder(std::string name, NotifyLog& log, R result = 0)
        : m_name(std::move(name)), m_log(log), m_result(result) {}

    R OnBeforeObjectChange(Obj, Obj, U f) override {
        return Note("BeforeChange/" + std::to_string(f));
    }
    R OnAfterObjectChange(Obj, Obj, U f, U m) override {
        return Note("AfterChange/" + std::to_string(f) + "/" + std::to_string(m));
    }
    R OnBeforeObjectInsert(Obj, Box c) override {
        return Note(c ? "BeforeInsert+c" : "BeforeInsert");
    }
    R OnAfterObjectInsert(Obj, Box c) override { return Note(c ? "AfterInsert+c" : "AfterInsert"); }
    R OnBeforeObjectDelete(Obj) override { return Note("BeforeDelete"); }
    R OnAfterObjectDelete(Obj) override { return Note("AfterDelete"); }
    R OnBeforeObjectAddToContainer(Obj, Box) override { return Note("BeforeAdd"); }
    R OnAfterObjectAddToContainer(Obj, Box) override { return Note("AfterAdd"); }
    R OnBeforeObjectRemoveFromContainer(Obj, Box) override { return Note("BeforeRemove"); }
    R OnAfterObjectRemoveFromContainer(Obj, Box) override { return Note("AfterRemove"); }
    R OnBeforeObjectRelationChange(Obj, Obj, U f) override {
        return Note("BeforeRelation/" + std::to_string(f));
    }
    R OnAfterObjectRelationChange(Obj, Obj, U f) override {
        return Note("AfterRelation/" + std::to_string(f));
    }

private:
    std::int32_t Note(const std::string& what) {
        m_log.push_back(m_name + ":" + what);
        return m_result;
    }

    std::string m_name;
    NotifyLog& m_log;
    std::int32_t m_result;
};
