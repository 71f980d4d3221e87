// The client manager: the client-side notifier and object-operate objects that a host
// installs. Both are null until installed.
#pragma once

#include <cstdint>

#include "platform/Export.h"

class NAMEOBJECT_API CClientNotify {
public:
    virtual ~CClientNotify() = default;
    virtual void OnPropertyChange(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
                                  std::uint32_t propertyClassID, std::uint32_t propertyID) = 0;
    virtual void OnObjectChange(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
                                std::uint32_t a, std::uint32_t b) = 0;
};

class NAMEOBJECT_API CObjectOperate {
public:
    virtual ~CObjectOperate() = default;
    virtual void RefreshObject(std::uint32_t id, std::uint32_t serverNO, std::uint32_t a,
                               std::uint32_t b) = 0;
    virtual void UpdatePersonnelCount(std::uint32_t areaID, std::uint32_t serverNO) = 0;
    virtual void StatisticsAlarmForward(std::uint32_t containerID, std::uint32_t serverNO,
                                        const std::uint32_t d[15], int propagate) = 0;
};

class NAMEOBJECT_API CClientManager {
public:
    static CClientManager* GetInstance();

    CClientNotify* GetClientNotify() const { return m_notify; }
    CObjectOperate* GetObjectOperate() const { return m_operate; }
    // The manager does not own what is installed; null uninstalls.
    void SetClientNotify(CClientNotify* notify) { m_notify = notify; }
    void SetObjectOperate(CObjectOperate* operate) { m_operate = operate; }

private:
    CClientManager() = default;
    CClientNotify* m_notify = nullptr;
    CObjectOperate* m_operate = nullptr;
};
