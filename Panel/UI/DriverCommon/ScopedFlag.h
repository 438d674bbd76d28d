#pragma once
// Raises a flag for the life of a scope and puts back what it held before, however the scope ends.
// A panel raises its "showing" flag while it fills its fields from a value, so that the change
// notifications its own fields send meanwhile are not taken for the user's edits; a group raises its
// "numbering" flag while the engine numbers its items.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : m_flag(flag), m_before(flag) { m_flag = true; }
    ~ScopedFlag() { m_flag = m_before; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& m_flag;
    const bool m_before;
};
