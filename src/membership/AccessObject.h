// CAccessObject: an object that can belong to containers and lie in areas. It knows its
// containers (in joining order) and the IDs of the areas it lies in (persisted in its rest
// data) and the live areas themselves (rebuilt at run time).
#pragma once

#include <memory>
#include <set>
#include <vector>

#include "core/NameObject.h"

class CContainer;
class CArea;
class COperator;

class NAMEOBJECT_API CAccessObject : public CNameObject {
    NO_DECLARE_OBJECT_CLASS(CAccessObject, 2, 0x83000200)

public:
    using ContainerList = std::vector<std::shared_ptr<CContainer>>;
    using AreaSet = std::set<std::shared_ptr<CArea>>;

    CAccessObject();
    ~CAccessObject() override;

    int AddContainer(std::shared_ptr<CContainer> container, int write);
    int RemoveContainer(std::shared_ptr<CContainer> container, int write);
    // Whether this object lies inside container, at any depth.
    int HasContainer(const std::shared_ptr<CContainer>& container) const;
    int GetContainerCount() const { return static_cast<int>(m_vecContainers.size()); }
    const ContainerList& GetContainers() const { return m_vecContainers; }

    // ---- virtual operations added after the base's, in slot order -------------
    // The first area the object lies in: its smallest area ID, else (on a server) the first
    // area among its containers; 0 / empty when it lies in none.
    virtual std::uint32_t GetFirstAreaID();
    virtual std::shared_ptr<CArea> GetFirstArea();
    // The area IDs and areas the object lies in (live sets, or copies whose size is returned).
    virtual std::set<std::uint32_t>& GetAreaID();
    virtual int GetAreaID(std::set<std::uint32_t>& out);
    virtual AreaSet& GetArea();
    virtual int GetArea(AreaSet& out);
    // Replace the sets as given; memberships in the areas themselves are not touched.
    virtual void SetAreaID(const std::set<std::uint32_t>& ids);
    virtual void SetArea(const AreaSet& areas);
    // Enter or leave an area through the area itself; nothing for an empty pointer.
    virtual void AddArea(std::shared_ptr<CArea> area);
    virtual void RemoveArea(std::shared_ptr<CArea> area);
    // Whether op holds the privilege over this object: the operator's answer, 0 for an empty
    // operator.
    virtual int HasPrivilege(std::shared_ptr<COperator> op, std::uint32_t privilegeClassID,
                             std::uint32_t privilegeID);

    // ---- overrides ------------------------------------------------------------
    void FinalRelease() override;
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
    std::int32_t UpdateRecord() override;
    using CNameObject::LoadRestData;
    using CNameObject::SaveRestData;
    int SaveRestData(CBufferWriter& writer) override;
    int LoadRestData(CBufferReader& reader, int restArg) override;
    int LoadRestData_V2(const void* data, int* size, int version) override;
    void UpdateObjectRelated(int operation, std::shared_ptr<CNameObject> other, std::uint32_t value,
                             std::uint32_t sections) override;

    // The class-registry entries: deletion removes the row, facets and memberships; the
    // loader is the start-up bulk load of the whole NameObject table.
    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);
    static std::int32_t InitObjectMap();
    // Lets the next InitObjectMap read the table again, for a host that runs the start-up
    // sequence more than once in one process (a fuzz driver); hosts otherwise never call it.
    static void AllowReload();

protected:
    friend class CContainer;
    // A shared pointer to this object as T; empty when no shared pointer owns the object.
    template <class T>
    std::shared_ptr<T> SelfAs() {
        return std::static_pointer_cast<T>(weak_from_this().lock());
    }
    // The older raw rest form after the base part (`used` bytes of it): steps over `skip`
    // bytes of fields that are no longer kept. size: bytes available in, consumed out.
    static int SkipRawFields(const void* data, int* size, int used, int skip);
    bool InsertElementToContainers(std::shared_ptr<CContainer> container);
    bool RemoveElementFromContainers(std::shared_ptr<CContainer> container);

    ContainerList m_vecContainers;
    std::set<std::uint32_t> m_setAreaID;
    AreaSet m_setArea;
};
