#include "membership/AccessObject.h"

#include <algorithm>

#include "areas/Area.h"
#include "core/RestData.h"
#include "membership/Container.h"
#include "operators/Operator.h"
#include "platform/Config.h"
#include "platform/Database.h"
#include "registry/ObjectStore.h"

NO_IMPLEMENT_OBJECT_CLASS(CAccessObject, CNameObject)

namespace {

// First rest version that carries an area ID, and first that carries the counted set.
constexpr std::int32_t kSingleAreaVersion = 0x03000100;
constexpr std::int32_t kAreaSetVersion = 0x03000200;
// The older raw form carries a word and a byte that are no longer kept.
constexpr int kRawSkippedBytes = 4 + 1;
constexpr std::uint32_t kAreaClassID = 62;

std::shared_ptr<CArea> AsArea(const std::shared_ptr<CNameObject>& object) {
    if (!object || !object->IsKindOf(RUNTIME_CLASS(CArea))) return nullptr;
    return std::static_pointer_cast<CArea>(object);
}

std::shared_ptr<CArea> FindArea(std::uint32_t id) { return AsArea(GDM_Find(kAreaClassID, id)); }

// The first container of the list that is an area, for the server's fallback.
std::shared_ptr<CArea> FirstAreaContainer(const CAccessObject::ContainerList& containers) {
    for (const auto& container : containers) {
        if (auto area = AsArea(container)) return area;
    }
    return nullptr;
}

}  // namespace

CAccessObject::CAccessObject() { m_nClassID = kClassID; }

CAccessObject::~CAccessObject() = default;

// ---- membership ---------------------------------------------------------------

int CAccessObject::AddContainer(std::shared_ptr<CContainer> container, int write) {
    if (!container) return 0;
    // A container refuses to join one of its own (deep) members: that would close a cycle.
    if (IsKindOf(RUNTIME_CLASS(CContainer)) &&
        static_cast<CContainer*>(this)->HasObject(container) != 0) {
        return 0;
    }
    return container->AddObject(SelfAs<CAccessObject>(), write);
}

int CAccessObject::RemoveContainer(std::shared_ptr<CContainer> container, int write) {
    if (!container || m_vecContainers.empty()) return 0;
    return container->RemoveObject(SelfAs<CAccessObject>(), write) == 0 ? 1 : 0;
}

int CAccessObject::HasContainer(const std::shared_ptr<CContainer>& container) const {
    if (!container) return 0;
    for (const auto& entry : m_vecContainers) {
        if (entry == container) return 1;
    }
    for (const auto& entry : m_vecContainers) {
        if (entry && entry->HasContainer(container)) return 1;
    }
    return 0;
}

bool CAccessObject::InsertElementToContainers(std::shared_ptr<CContainer> container) {
    if (!container) return false;
    for (const auto& entry : m_vecContainers) {
        if (entry && entry->GetObjectClassID() == container->GetObjectClassID() &&
            entry->GetID() == container->GetID()) {
            return false;
        }
    }
    m_vecContainers.push_back(std::move(container));
    return true;
}

bool CAccessObject::RemoveElementFromContainers(std::shared_ptr<CContainer> container) {
    if (!container) return false;
    auto it = std::find_if(m_vecContainers.begin(), m_vecContainers.end(), [&](const auto& e) {
        return e && e->GetObjectClassID() == container->GetObjectClassID() &&
               e->GetID() == container->GetID();
    });
    if (it != m_vecContainers.end()) m_vecContainers.erase(it);
    return true;
}

// ---- areas --------------------------------------------------------------------

std::uint32_t CAccessObject::GetFirstAreaID() {
    if (!m_setAreaID.empty()) return *m_setAreaID.begin();
    if (GetIsServerMode()) {
        if (auto area = FirstAreaContainer(m_vecContainers)) return area->GetID();
    }
    return 0;
}

std::shared_ptr<CArea> CAccessObject::GetFirstArea() {
    if (!m_setArea.empty()) return *m_setArea.begin();
    if (GetIsServerMode()) return FirstAreaContainer(m_vecContainers);
    return nullptr;
}

std::set<std::uint32_t>& CAccessObject::GetAreaID() { return m_setAreaID; }

int CAccessObject::GetAreaID(std::set<std::uint32_t>& out) {
    out = m_setAreaID;
    return static_cast<int>(out.size());
}

CAccessObject::AreaSet& CAccessObject::GetArea() { return m_setArea; }

int CAccessObject::GetArea(AreaSet& out) {
    out = m_setArea;
    return static_cast<int>(out.size());
}

void CAccessObject::SetAreaID(const std::set<std::uint32_t>& ids) { m_setAreaID = ids; }

void CAccessObject::SetArea(const AreaSet& areas) { m_setArea = areas; }

void CAccessObject::AddArea(std::shared_ptr<CArea> area) {
    if (area) area->AddObjectToArea(SelfAs<CAccessObject>());
}

void CAccessObject::RemoveArea(std::shared_ptr<CArea> area) {
    if (area) area->RemoveObjectFromArea(SelfAs<CAccessObject>());
}

int CAccessObject::HasPrivilege(std::shared_ptr<COperator> op, std::uint32_t privilegeClassID,
                                std::uint32_t privilegeID) {
    if (!op) return 0;
    return op->HasPrivilege(SelfAs<CAccessObject>(), privilegeClassID, privilegeID);
}

// ---- deletion -----------------------------------------------------------------

std::int32_t CAccessObject::DeleteObject(std::shared_ptr<CNameObject> object) {
    // The row, the facets and the memberships go as one unit.
    CDatabaseWriteScope unit(GetDatabase());
    const std::int32_t result = CNameObject::DeleteObject(object);
    if (result < 0) return result;
    if (!object || !object->IsKindOf(RUNTIME_CLASS(CAccessObject))) return result;
    auto member = std::static_pointer_cast<CAccessObject>(object);
    const ContainerList containers = member->m_vecContainers;
    for (const auto& container : containers) {
        if (container) container->RemoveObject(member, 1);  // each result is not needed
    }
    return result;
}

// ---- relations and change -----------------------------------------------------

void CAccessObject::UpdateObjectRelated(int operation, std::shared_ptr<CNameObject> other,
                                        std::uint32_t value, std::uint32_t sections) {
    CNameObject::UpdateObjectRelated(operation, other, value, sections);

    std::shared_ptr<CAccessObject> previous;
    if (other && other->IsKindOf(RUNTIME_CLASS(CAccessObject))) {
        previous = std::static_pointer_cast<CAccessObject>(other);
    }
    const bool areasChanged = operation == RELATED_OP_CHANGE &&
                              (sections & SECTION_REST_DATA) != 0 && previous &&
                              previous->m_setAreaID != m_setAreaID;
    auto self = SelfAs<CAccessObject>();

    // Leave the areas the object lay in. Leaving erases IDs from m_setAreaID (other may be
    // this very object), so both sets are copied first and ours is put back afterwards.
    // Building from the object itself rejoins exactly the areas it would leave, so that
    // case (every object at start-up) skips leaving them.
    const bool rebuildsItself = operation == RELATED_OP_BUILD && previous.get() == this;
    if (operation == RELATED_OP_DELETE || (operation == RELATED_OP_BUILD && !rebuildsItself) ||
        areasChanged) {
        const std::set<std::uint32_t> kept = m_setAreaID;
        if (previous) {
            const std::set<std::uint32_t> oldIDs = previous->m_setAreaID;
            for (std::uint32_t id : oldIDs) {
                if (auto area = FindArea(id)) area->RemoveObjectFromArea(self);
            }
        }
        m_setAreaID = kept;
    }

    // Join the areas it names now, and forget the IDs of areas that no longer exist. Joining
    // may change m_setAreaID, so the walk looks each next ID up afresh; the set of valid IDs
    // is built only when some ID or area does not match (at start-up, none does).
    if (operation == RELATED_OP_BUILD || areasChanged) {
        bool allValid = true;
        for (auto next = m_setAreaID.begin(); next != m_setAreaID.end();) {
            const std::uint32_t id = *next;
            if (auto area = FindArea(id)) {
                m_setArea.insert(area);
                area->AddObjectToArea(self);
            } else {
                allValid = false;
            }
            next = m_setAreaID.upper_bound(id);
        }
        for (const auto& area : m_setArea) {
            if (area && m_setAreaID.count(area->GetID()) == 0) allValid = false;
        }
        if (allValid) return;
        std::set<std::uint32_t> valid;
        for (std::uint32_t id : m_setAreaID) {
            if (FindArea(id)) valid.insert(id);
        }
        for (const auto& area : m_setArea) {
            if (area) valid.insert(area->GetID());
        }
        if (valid != m_setAreaID) {
            m_setAreaID = std::move(valid);
            UpdateRecord();
        }
    }
}

std::int32_t CAccessObject::OnObjectChange(std::shared_ptr<CNameObject> other,
                                           std::uint32_t& changed, std::uint32_t sections) {
    const std::int32_t result = CNameObject::OnObjectChange(other, changed, sections);
    if (result < 0 || (sections & SECTION_REST_DATA) == 0) return result;
    if (!other || !other->IsKindOf(RUNTIME_CLASS(CAccessObject))) return result;
    const auto& incoming = static_cast<const CAccessObject&>(*other).m_setAreaID;
    if (incoming != m_setAreaID) {
        m_setAreaID = incoming;
        changed |= SECTION_REST_DATA;
    }
    return result;
}

std::int32_t CAccessObject::UpdateRecord() {
    const std::int32_t result = CNameObject::UpdateRecord();
    if (result < 0) return result;
    return GetDatabase() ? result : E_DATABASE_UNAVAILABLE;
}

// ---- rest data ----------------------------------------------------------------

int CAccessObject::SaveRestData(CBufferWriter& writer) {
    return SaveRestLevel(
        writer, [this](CBufferWriter& w) { return CNameObject::SaveRestData(w); }, kDataVersion,
        [this](CBufferWriter& w) {
            if (!w.Write(static_cast<std::uint32_t>(m_setAreaID.size()))) return 0;
            for (std::uint32_t id : m_setAreaID) {
                if (!w.Write(id)) return 0;
            }
            return 1;
        });
}

int CAccessObject::LoadRestData(CBufferReader& reader, int restArg) {
    // The fields are staged and applied only when the whole level was read.
    bool replace = false;
    std::set<std::uint32_t> ids;
    const int ok = LoadRestLevel(
        reader, [this, restArg](CBufferReader& r) { return CNameObject::LoadRestData(r, restArg); },
        kDataVersion,
        [&](CBufferReader& r, std::int32_t version) {
            if (version < kSingleAreaVersion) return 1;
            if (version < kAreaSetVersion) {
                std::uint32_t id = 0;
                if (!r.Read(id)) return 0;
                ids.insert(id);
                return 1;
            }
            std::uint32_t count = 0;
            if (!ReadCount(r, count, 4)) return 0;
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint32_t id = 0;
                if (!r.Read(id)) return 0;
                ids.insert(id);
            }
            replace = true;
            return 1;
        });
    if (!ok) return 0;
    if (replace) {
        m_setAreaID = std::move(ids);
    } else {
        m_setAreaID.insert(ids.begin(), ids.end());
    }
    return 1;
}

int CAccessObject::LoadRestData_V2(const void* data, int* size, int version) {
    if (!data || !size) return 0;
    int used = *size;
    if (!CNameObject::LoadRestData_V2(data, &used, version)) return 0;
    return SkipRawFields(data, size, used, kRawSkippedBytes);
}

int CAccessObject::SkipRawFields(const void* data, int* size, int used, int skip) {
    RawCursor cursor(data, *size);
    if (!cursor.Skip(used) || !cursor.Skip(skip)) return 0;
    *size = cursor.Used();
    return 1;
}

// ---- shutdown -----------------------------------------------------------------

void CAccessObject::FinalRelease() {
    // Break the ownership cycle: each container forgets this member (memory only).
    auto self = SelfAs<CAccessObject>();
    const ContainerList containers = m_vecContainers;
    for (const auto& container : containers) {
        if (container) container->RemoveElementFromChildren(self);
    }
    m_vecContainers.clear();
    m_setArea.clear();
    CNameObject::FinalRelease();
}
