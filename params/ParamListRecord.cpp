#include "params/ParamListRecord.h"

#include "params/ParamList.h"

#include <algorithm>

// Ends the visit however the visitor leaves.
class VParamListRecord::VisitScope
{
public:
    VisitScope(VParamListRecord& record, std::uint64_t serial) : record_(record), serial_(serial) {}
    ~VisitScope() { record_.EndVisit(serial_); }
    VisitScope(const VisitScope&) = delete;
    VisitScope& operator=(const VisitScope&) = delete;

private:
    VParamListRecord& record_;
    const std::uint64_t serial_;
};

void VParamListRecord::Add(VParamList& list)
{
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.emplace(nextSerial_++, Entry{&list, {}, false});
}

void VParamListRecord::Remove(const VParamList& list)
{
    std::unique_lock<std::mutex> lock(mutex_);
    const auto found =
        std::find_if(entries_.begin(), entries_.end(),
                     [&list](const auto& entry) { return entry.second.list == &list; });
    if (found == entries_.end())
        return;
    Entry& entry = found->second;
    entry.removing = true;
    visitEnded_.wait(lock, [&entry] { return !IsVisitedByAnotherThread(entry); });
    entries_.erase(found);
}

bool VParamListRecord::IsEmpty() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.empty();
}

void VParamListRecord::ForEach(const Visitor& visitor)
{
    for (std::uint64_t serial : VisitableSerials())
    {
        VParamList* list = BeginVisit(serial);
        if (!list)
            continue;
        VisitScope scope(*this, serial);
        visitor(*list);
    }
}

std::vector<std::uint64_t> VParamListRecord::VisitableSerials() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::uint64_t> serials;
    serials.reserve(entries_.size());
    for (const auto& [serial, entry] : entries_)
        if (!entry.removing)
            serials.push_back(serial);
    return serials;
}

VParamList* VParamListRecord::BeginVisit(std::uint64_t serial)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = entries_.find(serial);
    if (found == entries_.end() || found->second.removing)
        return nullptr;
    found->second.visitors.push_back(std::this_thread::get_id());
    return found->second.list;
}

// The entry is gone when the visitor destroyed the list it was visiting.
void VParamListRecord::EndVisit(std::uint64_t serial)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = entries_.find(serial);
    if (found == entries_.end())
        return;
    std::vector<std::thread::id>& visitors = found->second.visitors;
    visitors.erase(std::find(visitors.begin(), visitors.end(), std::this_thread::get_id()));
    visitEnded_.notify_all();
}

bool VParamListRecord::IsVisitedByAnotherThread(const Entry& entry)
{
    const std::thread::id self = std::this_thread::get_id();
    return std::any_of(entry.visitors.begin(), entry.visitors.end(),
                       [self](std::thread::id visitor) { return visitor != self; });
}
