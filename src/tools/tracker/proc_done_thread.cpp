#include "tools/tracker/proc_done_thread.h"

namespace velmora::tracker {

TProcDoneThread::TProcDoneThread(UniqueHandle process, std::function<void()> completion, HWND window, UINT message)
    : process_(std::move(process)),
      detach_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      completion_(std::move(completion)),
      window_(window),
      message_(message) {
  if (!detach_ || !process_) return;
  thread_.reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

TProcDoneThread::~TProcDoneThread() {
  if (detach_) SetEvent(detach_.get());
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI TProcDoneThread::Run(void* param) {
  auto* self = static_cast<TProcDoneThread*>(param);
  const HANDLE waits[] = {self->process_.get(), self->detach_.get()};
  const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  // The handle is of no further use either way; the window never needs it.
  self->process_.reset();
  if (woke == WAIT_OBJECT_0) PostMessageW(self->window_, self->message_, 0, reinterpret_cast<LPARAM>(self));
  return 0;
}

bool TProcDoneThread::finished() const {
  return !thread_ || WaitForSingleObject(thread_.get(), 0) == WAIT_OBJECT_0;
}

void TProcDoneThread::Complete() {
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);  // it has posted and is ending
  if (completion_) completion_();
}

}  // namespace velmora::tracker
