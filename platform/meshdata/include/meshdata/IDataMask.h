#pragma once
// Per-element data that follows the mesh's renumbering of its elements. The owner (the mesh) calls
// these operations whenever elements are added, removed or reordered.
#include "meshdata/MStlFwd.h"
#include <cstddef>
#include <mutex>
#include <vector>

class IDataMask
{
public:
    virtual ~IDataMask() = default;
    // Copies entry from to entry to.
    virtual void CopyEntry(std::size_t from, std::size_t to) = 0;
    virtual void SwapEntries(std::size_t a, std::size_t b) = 0;
    // Resizes to n entries; new entries take the default.
    virtual void Resize(std::size_t n) = 0;
    virtual void ResetEntry(std::size_t i) = 0;
    // Takes every entry from another mask of the same type.
    virtual void AssignFrom(IDataMask const& other) = 0;
    // The owner is going away before the mask; the mask must not reach for it any more.
    virtual void OnOwnerDestroyed() {}
};

class IDataMaskOwner
{
public:
    virtual ~IDataMaskOwner() = default;
    // Number of entries every registered mask must hold.
    virtual std::size_t GetMaskElementCount() const = 0;
    virtual void RegisterMask(IDataMask* mask) = 0;
    virtual void UnregisterMask(IDataMask* mask) = 0;
};

// Registers itself with its owner for its whole life.
template <class Element>
class MDataMaskBase : public IDataMask
{
public:
    explicit MDataMaskBase(IDataMaskOwner* owner) : m_owner(owner)
    {
        if (m_owner) m_owner->RegisterMask(this);
    }
    ~MDataMaskBase() override
    {
        if (m_owner) m_owner->UnregisterMask(this);
    }
    MDataMaskBase(MDataMaskBase const&) = delete;
    MDataMaskBase& operator=(MDataMaskBase const&) = delete;

    IDataMaskOwner* GetOwner() const { return m_owner; }
    void OnOwnerDestroyed() override { m_owner = nullptr; }

private:
    IDataMaskOwner* m_owner;
};

// The registry of masks kept by a mesh; safe to register and unregister from several threads.
class MDataMaskRegistry : public IDataMaskOwner
{
public:
    MDataMaskRegistry() = default;
    // Masks may outlive their mesh; they are told so that they do not unregister from a dead one.
    ~MDataMaskRegistry() override;
    std::size_t GetMaskElementCount() const override { return m_count; }
    void RegisterMask(IDataMask* mask) override;
    void UnregisterMask(IDataMask* mask) override;

    // Called by the mesh; masks are visited under the registry's lock. ResizeAll also sets the count.
    void ResizeAll(std::size_t n);
    void MoveEntryAll(std::size_t from, std::size_t to);

private:
    std::size_t m_count = 0;
    std::mutex m_mutex;
    std::vector<IDataMask*> m_masks;
};
