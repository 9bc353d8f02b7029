#pragma once

#include <memory>

// The one way the report engine points at something it does not own (the
// datasets and tables of a registry, a report's dataset, the table a dataset
// walks, the reports of a composite report): the target derives from
// TfrLinkable, the holder keeps a TfrLink, and a link whose target has been
// destroyed reads as nothing instead of dangling.
class TfrLinkable {
public:
    TfrLinkable() = default;
    // A copy is another object: links to the original do not follow it.
    TfrLinkable(const TfrLinkable&) {}
    TfrLinkable& operator=(const TfrLinkable&) { return *this; }

protected:
    ~TfrLinkable() = default;

private:
    template <class T>
    friend class TfrLink;
    std::shared_ptr<const int> m_alive = std::make_shared<const int>(0);
};

template <class T>
class TfrLink {
public:
    TfrLink() = default;
    TfrLink(T* target) : m_target(target) {
        if (target)
            m_alive = static_cast<const TfrLinkable*>(target)->m_alive;
    }

    // The target, or nothing when none was set or it has been destroyed.
    T* get() const { return m_alive.expired() ? nullptr : m_target; }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    // True when the link was made to this object (alive or not).
    bool refersTo(const void* object) const { return m_target == object && object; }

private:
    T* m_target = nullptr;
    std::weak_ptr<const int> m_alive;
};
