// AppController: the recovery copy of an unsaved take.
#include <new>

#include "app/app_controller.h"
#include "record/file_messages.h"

namespace velmira {

void AppController::OnEndWithoutAsking() {
  Guarded(0, [&] {
    if (document_.modified && !events_.empty()) recovery_.WriteNow(Snapshot());
    return 0;
  });
}

RecoverySnapshot AppController::Snapshot() const {
  RecoverySnapshot snapshot;
  snapshot.events.assign(events_.events(), events_.events() + events_.count());
  snapshot.keySignature = state_.keySignature;
  snapshot.bassDoubling = state_.bassDoubling;
  snapshot.tempo = document_.tempo;
  snapshot.date = calendar_.Today();
  return snapshot;
}

void AppController::SyncRecovery() {
  if (!recovery_.open() || destroying_) return;
  if (!document_.modified || events_.empty()) {
    recovery_.Remove();
    return;
  }
  const uint32_t now = clock_.NowMs();
  const bool stale = recorder_.state().recording ? now - recoveryWrittenMs_ >= 10000
                                                 : recoveryRevision_ != document_.revision;
  if (recovery_.kept() && !stale) return;
  try {
    recovery_.Write(Snapshot());
  } catch (const std::bad_alloc&) {
    return;  // short of memory: the copy is written at the next change
  }
  recoveryRevision_ = document_.revision;
  recoveryWrittenMs_ = now;
}

bool AppController::OfferRecovery(const char* commandLine) {
  for (const std::string& path : recovery_.LeftBehind()) {
    LoadedPerformance loaded{EventArray(events_.reallocator()), 0, 0, {}};
    if (LoadPerformanceFile(path.c_str(), &loaded) != nullptr) {
      recovery_.SetAside(path);  // damaged: kept under another name, never deleted
      continue;
    }
    const MessageAnswer answer =
        ui_.ShowMessage("上次未保存的录音已恢复。要保留它吗?", "QJ", MessageIcon::Question,
                        MessageButtons::YesNo, true);
    if (answer != MessageAnswer::Yes) {
      // Only a No gives the take up; a box closed without an answer leaves it for next time.
      if (answer == MessageAnswer::No) recovery_.Decline(path);
      continue;
    }
    file_.TakeRecovered(loaded);
    recovery_.Adopt(path);
    recoveryRevision_ = document_.revision;
    recoveryWrittenMs_ = clock_.NowMs();
    std::string line;
    if (*commandLine != '\0' && CommandLinePath(commandLine, &line)) {
      ui_.ShowMessage(FormatFileMessage("文件%s没有载入: 保留了恢复的录音.", line.c_str()).c_str(),
                      "QJ", MessageIcon::None, MessageButtons::Ok, true);
    }
    return false;
  }
  return true;
}

}  // namespace velmira
