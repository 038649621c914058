// Requests a thread of this program has in flight to one of its windows
// (portable). The private window messages carry a token; a handler acts only
// on a token issued here and still pending, never on a pointer that another
// program could send along.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/lock.h"

class RequestTokens {
public:
    // A token for `payload`, pending until taken or withdrawn.
    uintptr_t issue(void* payload) {
        ScopedLock hold(lock_);
        if (++next_ == 0) ++next_;
        pending_.emplace_back(next_, payload);
        return next_;
    }
    // The payload of a pending token; null for any other value.
    void* find(uintptr_t token) {
        ScopedLock hold(lock_);
        for (const auto& [pending, payload] : pending_)
            if (pending == token) return payload;
        return nullptr;
    }
    // The handler has taken over the request: the token is no longer pending.
    void take(uintptr_t token) { remove(token); }
    // The requester's end of the request: true when the token was still
    // pending (nobody took it over).
    bool withdraw(uintptr_t token) { return remove(token); }

private:
    bool remove(uintptr_t token) {
        ScopedLock hold(lock_);
        for (auto it = pending_.begin(); it != pending_.end(); ++it) {
            if (it->first != token) continue;
            pending_.erase(it);
            return true;
        }
        return false;
    }

    Lock lock_;
    uintptr_t next_ = 0;
    std::vector<std::pair<uintptr_t, void*>> pending_;
};
