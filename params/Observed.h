#pragma once
// Bookkeeping shared by every observable object of the parameter system: the observers
// in registration order, without duplicates. Subjects add their own notification rules
// on top. Thread-bound: a subject and its observers are used from one thread at a time.

#include <algorithm>
#include <vector>

template <class Subject, class Observer> class VObservedHelper
{
public:
    bool IsObservedBy(const Observer* observer) const
    {
        return std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
    }
    std::size_t GetObserverCount() const { return observers_.size(); }

protected:
    ~VObservedHelper() = default;

    // False when already registered.
    bool InsertObserver(Observer* observer)
    {
        if (IsObservedBy(observer))
            return false;
        observers_.push_back(observer);
        return true;
    }
    // False when not registered; the others keep their order.
    bool EraseObserver(Observer* observer)
    {
        const auto found = std::find(observers_.begin(), observers_.end(), observer);
        if (found == observers_.end())
            return false;
        observers_.erase(found);
        return true;
    }
    // Calls `notify(observer)` for every observer registered when the notification starts
    // that is still registered when its turn comes: observers may unregister, or delete,
    // themselves or others while being told, and one registered meanwhile waits for the
    // next notification.
    template <class Notify> void NotifyObservers(Notify notify) const
    {
        const std::vector<Observer*> registered = observers_;
        for (Observer* observer : registered)
            if (IsObservedBy(observer))
                notify(observer);
    }

private:
    std::vector<Observer*> observers_;
};

// Base of an object that observes subjects of one kind: it remembers what it observes so
// that it can stop observing all of them. Its owner calls StopObservingAll() before the
// subjects or itself go away. Thread-bound like the subjects.
template <class Observer, class Subject> class VObserverHelper : public Observer
{
public:
    bool IsObserving(const Subject& subject) const
    {
        return std::find(subjects_.begin(), subjects_.end(), &subject) != subjects_.end();
    }

protected:
    ~VObserverHelper() = default;

    bool StartObserving(Subject& subject, bool notifyNow)
    {
        if (IsObserving(subject))
            return false;
        subjects_.push_back(&subject);
        if (subject.AddObserver(this, notifyNow))
            return true;
        subjects_.pop_back();
        return false;
    }
    void StopObservingAll()
    {
        std::vector<Subject*> subjects;
        subjects.swap(subjects_);
        for (Subject* subject : subjects)
            subject->RemoveObserver(this);
    }

private:
    std::vector<Subject*> subjects_;
};
