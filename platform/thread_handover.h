#pragma once

// Marks for ThreadSanitizer where an object of ours crosses threads inside one of Qt's queued
// events. Qt is not built with the sanitizer, so it does not see the lock in postEvent that orders
// the poster's writes before the receiver's reads, and would report those accesses as races.
// MarkHandOver runs on the posting thread after the last write to the event and before it is given
// to Qt; TakeHandOver on the receiving thread before the first read of it (in event() and in the
// destructor, which also runs when the event is dropped unhandled). In other builds both do
// nothing.

#if defined(__SANITIZE_THREAD__)
#define ZUVO_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZUVO_THREAD_SANITIZER 1
#endif
#endif

#ifdef ZUVO_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace zuvo {

inline void MarkHandOver([[maybe_unused]] const void* object) {
#ifdef ZUVO_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(object));
#endif
}

inline void TakeHandOver([[maybe_unused]] const void* object) {
#ifdef ZUVO_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(object));
#endif
}

}  // namespace zuvo
