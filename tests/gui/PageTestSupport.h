#pragma once

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include <QTest>

#include "GuiTestSupport.h"
#include "PageFactory.h"
#include "SimulatedDrive.h"
#include "SimulatedLinkObject.h"
#include "dictionary/DictionarySource.h"
#include "link/SdoFrame.h"
#include "profile/Profile.h"

namespace morlo::gui::test {

// One request as it went out on the link.
struct SentRequest {
    std::uint8_t command;
    ObjectKey key;
    std::uint32_t value;
};

// The requests a link sent, in order; filled on the control-link thread.
class RequestLog {
  public:
    void Add(const SentRequest& request) {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    std::vector<SentRequest> All() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // Writes (any width) to the key, in order.
    std::vector<SentRequest> WritesTo(ObjectKey key) const {
        std::vector<SentRequest> writes;
        for (const SentRequest& r : All()) {
            if (r.key == key && (r.command & link::kWriteMask) == link::kWriteClass) {
                writes.push_back(r);
            }
        }
        return writes;
    }
    std::vector<ObjectKey> ReadKeys() const {
        std::vector<ObjectKey> keys;
        for (const SentRequest& r : All()) {
            if (r.command == link::kCmdRead) {
                keys.push_back(r.key);
            }
        }
        return keys;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        requests_.clear();
    }
    // The next so many segment requests get no answer (a line that loses them).
    std::atomic<int> loseSegments{0};

  private:
    mutable std::mutex mutex_;
    std::vector<SentRequest> requests_;
};

// The simulated drive's serial link, noting every request it carries.
class RecordingLinkObject final : public link::ByteLinkObject {
  public:
    RecordingLinkObject(std::shared_ptr<sim::SimulatedDrive> drive, std::shared_ptr<RequestLog> log)
        : inner_(std::move(drive)), log_(std::move(log)) {}
    int Open(const link::LinkSettings& settings) override { return inner_.Open(settings); }
    void Close() override { inner_.Close(); }
    int Send(const std::uint8_t* bytes, std::size_t count) override {
        if (count == link::kSerialFrameSize) {
            link::SerialFrame frame{};
            std::copy_n(bytes, count, frame.begin());
            const link::SdoPayload payload = link::SerialPayload(frame);
            log_->Add({payload[0], link::PayloadKey(payload), link::PayloadValue(payload)});
            const bool segment =
                payload[0] == link::kCmdSegment || payload[0] == link::kCmdSegmentToggle;
            if (segment && log_->loseSegments > 0) {
                --log_->loseSegments;
                return 0;
            }
        }
        return inner_.Send(bytes, count);
    }
    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity,
                        std::chrono::milliseconds timeout) override {
        return inner_.Receive(buffer, capacity, timeout);
    }

  private:
    sim::SimulatedLinkObject inner_;
    std::shared_ptr<RequestLog> log_;
};

inline const DictionarySource& RuntimeSource() {
    static const DictionarySource source = LoadDictionarySource(
        std::filesystem::path(MORLO_BUILT_RUNTIME_DIR) / "data" / "dictionary");
    return source;
}

// The program on the simulated drive with the real page windows, every request noted.
class PageProgram {
  public:
    // The drive lacks the objects named in missing.
    explicit PageProgram(bool chinese = false, std::function<void(WorkingFolder&)> prepare = {},
                         std::vector<ObjectKey> missing = {})
        : drive(MakeDrive(missing)),
          log(std::make_shared<RequestLog>()),
          program(
              chinese,
              [chinese, prepare](WorkingFolder& f) {
                  Profile::WriteString(f.SysIni(), "sys", "comm", "7");
                  Profile::WriteString(f.SysIni(), "sys", "lang", chinese ? "1" : "2");
                  if (prepare) {
                      prepare(f);
                  }
              },
              drive) {
        EXPECT_TRUE(program.Context().Dictionary().WaitUntilLoaded(std::chrono::seconds(10)));
        program.Context().Links().RegisterFactory(
            link::kLinkTypeSimulated, [d = drive, l = log]() -> std::unique_ptr<link::LinkObject> {
                return std::make_unique<RecordingLinkObject>(d, l);
            });
        program.Frame().SetPageFactory(MakeDefaultPage);
        // Clicks go to an active window only.
        program.Frame().show();
        program.Frame().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&program.Frame()));
    }
    static std::shared_ptr<sim::SimulatedDrive> MakeDrive(const std::vector<ObjectKey>& missing) {
        DictionarySource source = RuntimeSource();
        std::erase_if(source.objects, [&](const SourceObject& o) {
            return std::find(missing.begin(), missing.end(), o.Key()) != missing.end();
        });
        return std::make_shared<sim::SimulatedDrive>(source);
    }
    void OpenLink() {
        program.Frame().ToggleLink();
        ASSERT_TRUE(WaitUntil([&] { return !program.Context().linkOpenPending; }));
    }
    template <typename Page>
    Page* Open(int command) {
        program.Frame().OpenPage(command);
        const PageKind* kind = PageKindOfCommand(command);
        return qobject_cast<Page*>(program.Frame().PageOf(kind->slot));
    }
    // Hands a result to a page as the control link would.
    static void Deliver(CPageView* page, int message, std::int32_t value, ObjectKey key) {
        page->OnResult({page->Id(), message, value, key});
    }

    std::shared_ptr<sim::SimulatedDrive> drive;
    std::shared_ptr<RequestLog> log;
    RunningProgram program;
};

}  // namespace morlo::gui::test
