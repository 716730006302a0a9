#pragma once
// The record a definition list keeps of the lists made from it, in creation order, and the
// visits of those lists. A list may be destroyed on any thread (the thread serving a device
// can hold its last reference) while another thread visits the lists of the same type: a
// visit in progress keeps the list's removal waiting until it ends, and a list whose removal
// has begun is not visited any more, so no visit sees a freed or half-destroyed list.
//
// Thread rules: thread-safe. `mutex_` guards `entries_` and `nextSerial_`; no lock is held
// while a visitor runs, so visitors may make and destroy lists, the visited one included.
// A removal waits only for visits on other threads: two threads whose visitors each destroy
// the list the other is visiting wait for each other, and must not do so.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

class IParamList;
class VParamList;

class VParamListRecord
{
public:
    using Visitor = std::function<void(IParamList&)>;

    void Add(VParamList& list);
    // Waits until no other thread is visiting `list`, then forgets it.
    void Remove(const VParamList& list);
    bool IsEmpty() const;
    // Visits the lists recorded when the call begins, in creation order, except those whose
    // removal began meanwhile.
    void ForEach(const Visitor& visitor);

private:
    struct Entry
    {
        VParamList* list;
        // One element per visit in progress, naming its thread.
        std::vector<std::thread::id> visitors;
        bool removing = false;
    };
    class VisitScope;

    std::vector<std::uint64_t> VisitableSerials() const;
    // The list under `serial`, now counted as visited by this thread; none when it is gone
    // or being removed.
    VParamList* BeginVisit(std::uint64_t serial);
    void EndVisit(std::uint64_t serial);
    static bool IsVisitedByAnotherThread(const Entry& entry);

    mutable std::mutex mutex_;
    std::condition_variable visitEnded_;
    // Keyed by a serial number that grows with each list, so in creation order; a serial is
    // never reused, unlike the address of a freed list.
    std::map<std::uint64_t, Entry> entries_;
    std::uint64_t nextSerial_ = 0;
};
