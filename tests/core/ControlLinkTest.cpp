#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "canopen/Nmt.h"
#include "engine/ControlLink.h"
#include "engine/HandlerDispatcher.h"

namespace morlo::engine {
namespace {

using namespace std::chrono_literals;
using link::kCmdRead;
using link::kCmdWrite16;

constexpr ObjectKey kSilentKey = 0x5EED00;   // the fake drive never answers it
constexpr ObjectKey kRefusedKey = 0x999900;  // the fake drive refuses it
constexpr ObjectKey kTextKey = 0x100800;     // answered with the start of a segmented upload
constexpr ObjectKey kTooHighKey = 0x999A00;  // the fake drive refuses every write to it
constexpr std::uint32_t kValueTooHigh = 0x06090031;

// A drive behind a serial link that answers at once: reads give the low 16 bits of the key,
// writes are echoed. It records every request it served, in order.
class FakeDriveLink : public link::ByteLinkObject {
  public:
    int Open(const link::LinkSettings&) override {
        openCount++;
        return 0;
    }
    void Close() override { closeCount++; }
    int Send(const std::uint8_t* bytes, std::size_t) override {
        link::SerialFrame frame;
        std::copy_n(bytes, frame.size(), frame.begin());
        link::SdoPayload request = link::SerialPayload(frame);
        ObjectKey key = link::PayloadKey(request);
        {
            std::lock_guard lock(mutex);
            served.push_back(
                {key, request[0], static_cast<std::int32_t>(link::PayloadValue(request))});
        }
        answer.reset();
        const bool segment =
            request[0] == link::kCmdSegment || request[0] == link::kCmdSegmentToggle;
        if (key == kSilentKey || (segment && loseSegments)) {
            return 0;
        }
        link::SdoPayload reply = request;
        if (key == kTextKey && request[0] == kCmdRead) {
            reply = link::BuildPayload(key, link::kAnswerSegmented, 2);
        } else if (key == kRefusedKey) {
            reply = link::BuildPayload(key, link::kCmdAbort, 0x06020000);
        } else if (key == kTooHighKey && request[0] != kCmdRead) {
            reply =
                link::BuildPayload(key, link::kCmdAbort, static_cast<std::int32_t>(kValueTooHigh));
        } else if (request[0] == kCmdRead) {
            reply = link::BuildPayload(key, link::kAnswer32, key & 0xFFFF);
        } else if (request[0] == link::kCmdSegment || request[0] == link::kCmdSegmentToggle) {
            reply = {0x0B, 'h', 'i', 0, 0, 0, 0, 0};
        } else {
            reply[0] = link::kAnswerWrite;
        }
        answer = link::BuildSerialFrame(frame[0], reply);
        return 0;
    }
    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity,
                        std::chrono::milliseconds) override {
        if (!answer) {
            return 0;
        }
        std::copy_n(answer->begin(), std::min(capacity, answer->size()), buffer);
        answer.reset();
        return link::kSerialFrameSize;
    }

    struct Served {
        ObjectKey key;
        std::uint8_t command;
        std::int32_t value;
    };
    std::vector<Served> Served_() {
        std::lock_guard lock(mutex);
        return served;
    }
    std::mutex mutex;
    std::vector<Served> served;
    std::optional<link::SerialFrame> answer;
    std::atomic<bool> loseSegments{false};
    std::atomic<int> openCount{0};
    std::atomic<int> closeCount{0};
};

// Does not wait out the fixed pauses, so the thread's timing costs nothing.
class QuickPacer : public Pacer {
  public:
    void Pause(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
               std::chrono::milliseconds, const std::function<bool()>& wake) override {
        cv.wait_for(lock, 1ms, wake);
    }
};

class ControlLinkTest : public ::testing::Test {
  protected:
    ControlLinkTest() {
        library.RegisterFactory(link::kLinkTypeSerial, [this] {
            auto drive = std::make_unique<FakeDriveLink>();
            fake = drive.get();
            return drive;
        });
        ControlLink::Options options;
        options.pacer = std::make_shared<QuickPacer>();
        control = std::make_unique<ControlLink>(library, dispatcher, options);
        control->SelectLinkType(link::kLinkTypeSerial);
        control->OpenLink(link::LinkSettings{});
        control->SetLinkState(kLinkStateOpen);
        control->SetMainWindow(kMain);
        dispatcher.Register(kMain, [this](const Delivery& d) {
            mainMessages.push_back(d);
            if (d.message == kMsgLinkState && d.wParam == 0) {
                control->SetLinkState(kLinkStateClosed);
                control->CloseLink();
            }
        });
    }
    ~ControlLinkTest() override { control->Stop(); }

    // A receiver that records what reaches it.
    std::vector<Delivery>& Recorder(ReceiverId id) {
        dispatcher.Register(id, [this, id](const Delivery& d) { received[id].push_back(d); });
        return received[id];
    }
    // Runs handlers until the condition holds (bounded).
    bool RunUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5s) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            control->RunPendingDeliveries(5ms);
        }
        return true;
    }
    std::vector<ObjectKey> ServedKeys() {
        std::vector<ObjectKey> keys;
        for (const auto& s : fake->Served_()) {
            keys.push_back(s.key);
        }
        return keys;
    }

    static constexpr ReceiverId kMain = 1;
    link::LinkLibrary library;
    HandlerDispatcher dispatcher;
    std::unique_ptr<ControlLink> control;
    FakeDriveLink* fake = nullptr;
    std::map<ReceiverId, std::vector<Delivery>> received;
    std::vector<Delivery> mainMessages;
};

TEST_F(ControlLinkTest, NewestFirstThenTheDisplacedInOrder) {
    auto& page = Recorder(10);
    control->SetCyclicReadSwitch(false);
    control->SubmitRequest(10, kCmdWrite16, 0x200001, 1);
    control->SubmitRequest(10, kCmdWrite16, 0x200002, 2);
    control->SubmitRequest(10, kCmdRead, 0x200003, 0);
    control->Start();
    ASSERT_TRUE(RunUntil([&] { return page.size() == 3; }));
    EXPECT_EQ(ServedKeys(), (std::vector<ObjectKey>{0x200003, 0x200001, 0x200002}));
    EXPECT_EQ(page[0].message, kMsgValue);
    EXPECT_EQ(page[0].wParam, 0x0003);
    EXPECT_EQ(page[1].wParam, 1);  // the write is echoed
    EXPECT_EQ(page[1].lParam, 0x200001);
}

TEST_F(ControlLinkTest, RequestsForOneObjectAreServedInTheirOrder) {
    auto& page = Recorder(10);
    control->SetCyclicReadSwitch(false);
    control->SubmitRequest(10, kCmdWrite16, 0x607A00, 111);
    control->SubmitRequest(10, kCmdWrite16, 0x607A00, 222);
    control->SubmitRequest(10, kCmdRead, 0x200003, 0);  // another object still goes first
    control->SubmitRequest(10, kCmdWrite16, 0x607A00, 333);
    control->Start();
    ASSERT_TRUE(RunUntil([&] { return page.size() == 4; }));
    std::vector<std::int32_t> written;
    for (const auto& served : fake->Served_()) {
        if (served.key == 0x607A00) {
            written.push_back(served.value);
        }
    }
    EXPECT_EQ(written, (std::vector<std::int32_t>{111, 222, 333}));
    EXPECT_EQ(fake->Served_().front().key, 0x200003);
    std::vector<std::int32_t> reported;
    for (const auto& d : page) {
        if (d.lParam == 0x607A00) {
            reported.push_back(d.wParam);
        }
    }
    EXPECT_EQ(reported, (std::vector<std::int32_t>{111, 222, 333}));
}

TEST_F(ControlLinkTest, ClosingTheLinkDropsEveryPendingRequest) {
    constexpr ReceiverId kScope = 18;
    auto& page = Recorder(10);
    control->SetCyclicReadSwitch(false);
    control->SetPriorityWindow(kScope);
    control->SetDeferredServeSwitch(false);
    control->SubmitRequest(10, kCmdRead, 0x200010, 0);      // deferred
    control->SubmitRequest(kScope, kCmdRead, 0x200011, 0);  // displaced by the next
    control->SubmitRequest(kScope, kCmdRead, 0x200012, 0);  // in the slot
    control->SetLinkState(kLinkStateClosed);
    control->CloseLink();
    control->SetDeferredServeSwitch(true);
    control->OpenLink(link::LinkSettings{});
    control->SetLinkState(kLinkStateOpen);
    control->Start();
    control->SubmitRequest(10, kCmdRead, 0x200020, 0);  // of the new opening
    ASSERT_TRUE(RunUntil([&] { return page.size() == 1; }));
    EXPECT_FALSE(control->RunPendingDeliveries(20ms));
    EXPECT_EQ(ServedKeys(), (std::vector<ObjectKey>{0x200020}));
    EXPECT_TRUE(control->IsDeferredQueueEmpty());
}

TEST_F(ControlLinkTest, LinkFaultsReachTheReceiverOfTheRequest) {
    std::vector<Delivery> seen;
    std::array<std::uint8_t, 7> segment{};
    dispatcher.Register(10, [&](const Delivery& d) {
        seen.push_back(d);
        if (d.message == kMsgUploadStart) {
            control->SubmitRequest(10, link::kCmdSegment, 0, 0);  // segments name no object
        } else if (d.message == kMsgSegment) {
            int count = 0;
            bool last = false;
            control->GetSegmentData(segment, count, last);
        }
    });
    control->SetCyclicReadSwitch(false);
    fake->loseSegments = true;
    control->SubmitRequest(10, kCmdRead, kTextKey, 0);
    control->Start();
    // Lost segment: abort, the upload once more from its start, lost again: a fault for the
    // receiver, named by the object of the upload, while the link stays open.
    ASSERT_TRUE(RunUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen[0].message, kMsgUploadStart);
    EXPECT_EQ(seen[0].lParam, kTextKey);
    EXPECT_EQ(seen[1].message, kMsgUploadStart);
    EXPECT_EQ(seen[2].message, kMsgLinkFault);
    EXPECT_EQ(seen[2].lParam, kTextKey);
    EXPECT_TRUE(mainMessages.empty());
    EXPECT_EQ(control->LinkState(), kLinkStateOpen);
    std::vector<std::uint8_t> commands;
    for (const auto& served : fake->Served_()) {
        commands.push_back(served.command);
    }
    EXPECT_EQ(commands, (std::vector<std::uint8_t>{kCmdRead, link::kCmdSegment, link::kCmdAbort,
                                                   kCmdRead, link::kCmdSegment, link::kCmdAbort}));

    // A drive that stops answering: the main frame closes the link, then the receiver
    // hears of it.
    control->SubmitRequest(10, kCmdRead, kSilentKey, 0);
    ASSERT_TRUE(RunUntil([&] { return seen.size() == 4; }));
    ASSERT_EQ(mainMessages.size(), 1u);
    EXPECT_EQ(control->LinkState(), kLinkStateClosed);
    EXPECT_EQ(seen.back().message, kMsgLinkFault);
    EXPECT_EQ(seen.back().lParam, kSilentKey);
    EXPECT_EQ(mainMessages[0].message, kMsgLinkState);
    EXPECT_EQ(mainMessages[0].wParam, 0);
}

TEST_F(ControlLinkTest, DeferredRequestsWaitForTheSwitchAndComeBeforeTheDisplaced) {
    constexpr ReceiverId kScope = 18;
    auto& page = Recorder(10);
    auto& scope = Recorder(kScope);
    control->SetCyclicReadSwitch(false);
    control->SetPriorityWindow(kScope);
    control->SetDeferredServeSwitch(false);
    EXPECT_EQ(control->SubmitRequest(10, kCmdRead, 0x200010, 0), 1);
    EXPECT_EQ(control->SubmitRequest(kScope, kCmdRead, 0x230007, 0), 0);
    control->Start();
    ASSERT_TRUE(RunUntil([&] { return scope.size() == 1; }));
    EXPECT_FALSE(control->IsDeferredQueueEmpty());
    EXPECT_TRUE(page.empty());
    control->Stop();

    // Now with the switch on again, a displaced and a newer request are waiting too.
    fake->served.clear();
    control = nullptr;
    ControlLink::Options options;
    options.pacer = std::make_shared<QuickPacer>();
    control = std::make_unique<ControlLink>(library, dispatcher, options);
    control->SelectLinkType(link::kLinkTypeSerial);
    control->SetLinkState(kLinkStateOpen);
    control->SetCyclicReadSwitch(false);
    control->SetPriorityWindow(kScope);
    control->SetDeferredServeSwitch(false);
    control->SubmitRequest(10, kCmdRead, 0x200010, 0);  // deferred
    control->SetDeferredServeSwitch(true);
    control->SubmitRequest(11, kCmdRead, 0x200011, 0);  // displaced by the next
    control->SubmitRequest(11, kCmdRead, 0x200012, 0);  // in the slot
    control->Start();
    ASSERT_TRUE(RunUntil([&] { return ServedKeys().size() == 3; }));
    EXPECT_EQ(ServedKeys(), (std::vector<ObjectKey>{0x200012, 0x200010, 0x200011}));
}

TEST_F(ControlLinkTest, ExclusiveModeTakesOnlyTheOwnerAndItsNewestRequest) {
    auto& owner = Recorder(30);
    auto& other = Recorder(31);
    control->SetCyclicReadSwitch(false);
    control->SetExclusiveWindow(30);
    EXPECT_EQ(control->SubmitRequest(31, kCmdRead, 0x200001, 0), 0);
    control->SubmitRequest(30, kCmdRead, 0x200002, 0);
    control->SubmitRequest(30, kCmdRead, 0x200003, 0);  // replaces the pending one
    control->Start();
    ASSERT_TRUE(RunUntil([&] { return owner.size() == 1; }));
    control->SubmitRequest(30, kCmdRead, 0x200004, 0);
    ASSERT_TRUE(RunUntil([&] { return owner.size() == 2; }));
    EXPECT_EQ(ServedKeys(), (std::vector<ObjectKey>{0x200003, 0x200004}));
    EXPECT_TRUE(other.empty());
    control->EndExclusive();
    control->SubmitRequest(31, kCmdRead, 0x200005, 0);
    ASSERT_TRUE(RunUntil([&] { return other.size() == 1; }));
}

TEST_F(ControlLinkTest, AClosedLinkDropsRequests) {
    auto& page = Recorder(10);
    control->SetLinkState(kLinkStateClosed);
    EXPECT_EQ(control->SubmitRequest(10, kCmdRead, 0x200001, 0), 0);
    control->AddCyclic(10, 0x604100, kCyclicReadOnly);
    control->Start();
    EXPECT_FALSE(control->RunPendingDeliveries(50ms));
    EXPECT_TRUE(page.empty());
    EXPECT_TRUE(fake->Served_().empty());
}

TEST_F(ControlLinkTest, CyclicReadsAlternateBetweenModesAndStopWhenDeactivated) {
    auto& page = Recorder(10);
    control->AddCyclic(10, 0x200101, kCyclicReadOnly);
    control->AddCyclic(10, 0x200102, kCyclicReadOnly);
    control->AddCyclic(10, 0x200201, kCyclicWritable);
    EXPECT_EQ(control->AddCyclic(10, 0x200101, kCyclicWritable), 0);  // the pair exists
    EXPECT_TRUE(control->ContainsCyclic(10, 0x200101));
    control->Start();
    ASSERT_TRUE(RunUntil([&] { return page.size() >= 6; }));
    std::vector<ObjectKey> keys = ServedKeys();
    keys.resize(6);
    EXPECT_EQ(keys,
              (std::vector<ObjectKey>{0x200101, 0x200201, 0x200102, 0x200201, 0x200101, 0x200201}));
    // A user request pre-empts the cyclic reads.
    auto& user = Recorder(11);
    control->SubmitRequest(11, kCmdRead, 0x200300, 0);
    ASSERT_TRUE(RunUntil([&] { return user.size() == 1; }));

    control->DeactivateWindow(10);
    control->RunPendingDeliveries(20ms);  // let a read already under way finish
    std::size_t before = fake->Served_().size();
    for (int i = 0; i < 20; ++i) {
        control->RunPendingDeliveries(1ms);
    }
    EXPECT_EQ(fake->Served_().size(), before);
}

TEST_F(ControlLinkTest, AbortsSegmentsAndHandlersThatSubmitAgain) {
    std::vector<Delivery> seen;
    std::array<std::uint8_t, 7> segment{};
    int segmentCount = -1;
    dispatcher.Register(10, [&](const Delivery& d) {
        seen.push_back(d);
        if (d.message == kMsgValue && d.lParam == 0x200001) {
            control->SubmitRequest(10, kCmdRead, kRefusedKey, 0);  // from inside the handler
        } else if (d.message == kMsgAbort) {
            control->SubmitRequest(10, link::kCmdSegment, 0, 0);
        } else if (d.message == kMsgSegment) {
            bool last = false;
            control->GetSegmentData(segment, segmentCount, last);
        }
    });
    control->SetCyclicReadSwitch(false);
    control->SubmitRequest(10, kCmdRead, 0x200001, 0);
    control->Start();
    ASSERT_TRUE(RunUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen[1].message, kMsgAbort);
    EXPECT_EQ(static_cast<std::uint32_t>(seen[1].wParam), 0x06020000u);
    EXPECT_EQ(seen[2].message, kMsgSegment);
    EXPECT_EQ(segmentCount, 2);
    EXPECT_EQ(segment[0], 'h');
}

TEST_F(ControlLinkTest, ResultsNameTheirRequestAndARefusedWriteItsAbortCode) {
    auto& got = Recorder(7);
    control->SetCyclicReadSwitch(false);
    control->Start();
    control->SubmitRequest(7, kCmdRead, 0x604100, 0);
    control->SubmitRequest(7, link::kCmdWrite16, 0x200001, 5);
    control->SubmitRequest(7, link::kCmdWrite16, kTooHighKey, 5000);
    ASSERT_TRUE(RunUntil([&] { return got.size() == 3; }));
    std::map<ObjectKey, Delivery> byKey;
    for (const Delivery& d : got) {
        byKey[d.lParam] = d;
    }
    EXPECT_EQ(byKey[0x604100].command, kCmdRead);
    EXPECT_EQ(byKey[0x604100].writeRefusal, 0u);
    EXPECT_EQ(byKey[0x200001].command, link::kCmdWrite16);
    EXPECT_EQ(byKey[0x200001].wParam, 5);  // the echo
    EXPECT_EQ(byKey[0x200001].writeRefusal, 0u);
    // The refused write is answered with the object read back, and the refusal with it.
    const Delivery refused = byKey[kTooHighKey];
    EXPECT_EQ(refused.message, kMsgValue);
    EXPECT_EQ(refused.command, link::kCmdWrite16);
    EXPECT_EQ(refused.wParam, static_cast<std::int32_t>(kTooHighKey & 0xFFFF));
    EXPECT_EQ(refused.writeRefusal, kValueTooHigh);
}

TEST_F(ControlLinkTest, ResultsCarryTheOpeningOfTheirRequest) {
    auto& got = Recorder(7);
    control->Start();
    const std::uint32_t first = control->LinkGeneration();
    control->SubmitRequest(7, kCmdRead, 0x604100, 0);
    ASSERT_TRUE(RunUntil([&] { return got.size() == 1; }));
    EXPECT_EQ(got[0].linkGeneration, first);
    // An answer under way while the link opens again belongs to the old opening.
    const std::size_t served = fake->Served_().size();
    control->SubmitRequest(7, kCmdRead, 0x604100, 0);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (fake->Served_().size() == served && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();  // the answer waits for this thread's hand-over
    }
    control->OpenLink(link::LinkSettings{});
    ASSERT_TRUE(RunUntil([&] { return got.size() == 2; }));
    EXPECT_EQ(got[1].linkGeneration, first);
    EXPECT_EQ(control->LinkGeneration(), first + 1);
    control->SubmitRequest(7, kCmdRead, 0x604100, 0);
    ASSERT_TRUE(RunUntil([&] { return got.size() == 3; }));
    EXPECT_EQ(got[2].linkGeneration, first + 1);
}

TEST_F(ControlLinkTest, ResultsForVanishedReceiversAreDropped) {
    control->SetCyclicReadSwitch(false);
    control->SubmitRequest(77, kCmdRead, 0x200001, 0);  // nobody registered as 77
    auto& page = Recorder(10);
    control->SubmitRequest(10, kCmdRead, 0x200002, 0);
    control->Start();
    ASSERT_TRUE(RunUntil([&] { return page.size() == 1; }));
}

TEST_F(ControlLinkTest, ASilentDriveIsReportedAndTheLinkClosedFromTheHandler) {
    control->SetCyclicReadSwitch(false);
    control->SubmitRequest(10, kCmdRead, kSilentKey, 0);
    control->Start();
    ASSERT_TRUE(RunUntil([&] { return !mainMessages.empty(); }));
    EXPECT_EQ(mainMessages[0].message, kMsgLinkState);
    EXPECT_EQ(mainMessages[0].wParam, 0);
    EXPECT_EQ(control->LinkState(), kLinkStateClosed);
    EXPECT_EQ(fake->closeCount, 1);  // closed on the worker while it waited for the handler
    EXPECT_EQ(fake->Served_().size(), 3u);
}

TEST_F(ControlLinkTest, StoppingNeverWaitsForAHandler) {
    control->AddCyclic(10, 0x604100, kCyclicReadOnly);
    Recorder(10);
    control->Start();
    // Nobody runs the handlers: the worker waits for its first delivery until stopped.
    std::this_thread::yield();
    control->Stop();
    SUCCEED();
}

TEST_F(ControlLinkTest, ManyThreadsSubmitWhileHandlersSubmitAgain) {
    std::atomic<int> answers{0};
    dispatcher.Register(10, [&](const Delivery& d) {
        if (++answers % 3 == 0) {
            control->SubmitRequest(10, kCmdRead, d.lParam + 1, 0);
        }
    });
    control->AddCyclic(10, 0x604100, kCyclicReadOnly);
    control->AddCyclic(10, 0x607A00, kCyclicWritable);
    control->Start();
    std::atomic<bool> done{false};
    std::vector<std::thread> submitters;
    for (int t = 0; t < 4; ++t) {
        submitters.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                control->SubmitRequest(10, i % 2 ? kCmdRead : kCmdWrite16, 0x210000 + t * 256 + i,
                                       i);
                if (i % 50 == 0) {
                    control->AddCyclic(static_cast<ReceiverId>(20 + t), 0x220000 + i,
                                       kCyclicReadOnly);
                    control->DeactivateWindow(static_cast<ReceiverId>(20 + t));
                    control->IsDeferredQueueEmpty();
                }
            }
        });
    }
    std::thread switcher([&] {
        while (!done) {
            control->SetCyclicReadSwitch(false);
            control->SetCyclicReadSwitch(true);
            std::this_thread::yield();
        }
    });
    for (auto& t : submitters) {
        t.join();
    }
    ASSERT_TRUE(RunUntil([&] { return answers.load() >= 400; }, 30s));
    done = true;
    switcher.join();
    control->CloseLink();  // from this thread while the worker delivers
    control->Stop();
}

// A CAN bus that other nodes write to from their own thread.
class FakeCanBus : public link::CanLinkObject {
  public:
    int Open(const link::LinkSettings&) override { return 0; }
    void Close() override {}
    bool GetVersion(std::string& text) override {
        text = "fake:can0";
        return true;
    }
    int Send(const link::CanMessage& message) override {
        std::lock_guard lock(mutex);
        sent.push_back(message);
        return 0;
    }
    bool Receive(link::CanMessage& message, std::chrono::milliseconds timeout) override {
        {
            std::lock_guard lock(mutex);
            if (!incoming.empty()) {
                message = incoming.front();
                incoming.pop_front();
                return true;
            }
        }
        std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(timeout, 1ms));
        return false;
    }
    void Push(const link::CanMessage& message) {
        std::lock_guard lock(mutex);
        incoming.push_back(message);
    }
    std::mutex mutex;
    std::deque<link::CanMessage> incoming;
    std::vector<link::CanMessage> sent;
};

// With nothing to do the worker listens to the CAN bus for heartbeats and emergencies, and
// lends the bus to a scan or an NMT command between exchanges.
TEST(ControlLinkCan, TheIdleWorkerHearsTheBusAndLendsIt) {
    link::LinkLibrary library;
    HandlerDispatcher dispatcher;
    FakeCanBus* bus = nullptr;
    library.RegisterFactory(link::kLinkTypeCan, [&bus] {
        auto made = std::make_unique<FakeCanBus>();
        bus = made.get();
        return made;
    });
    ControlLink::Options options;
    options.pacer = std::make_shared<QuickPacer>();
    ControlLink control(library, dispatcher, options);
    std::atomic<int> heard{0};
    control.SetBusListener(
        [&heard](const link::CanMessage& m, auto) { heard += m.id == 0x705 ? 1 : 0; });
    control.Start();
    ASSERT_EQ(control.SelectLinkType(link::kLinkTypeCan), 1);
    ASSERT_EQ(control.OpenLink(link::LinkSettings{}), 0);
    control.SetLinkState(kLinkStateOpen);
    link::CanMessage heartbeat;
    heartbeat.id = 0x705;
    heartbeat.length = 1;
    heartbeat.data[0] = 0x05;
    std::thread node([&] {
        for (int i = 0; i < 3; ++i) {
            bus->Push(heartbeat);
        }
    });
    node.join();
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (heard < 3 && std::chrono::steady_clock::now() < deadline) {
        control.RunPendingDeliveries(5ms);
    }
    EXPECT_EQ(heard, 3);
    EXPECT_TRUE(control.UseCanBus([](link::CanPort& port) {
        port.Send(canopen::BuildNmtCommand(canopen::NmtCommand::Start, 5));
    }));
    {
        std::lock_guard lock(bus->mutex);
        ASSERT_EQ(bus->sent.size(), 1u);
        EXPECT_EQ(bus->sent[0].id, 0u);
        EXPECT_EQ(bus->sent[0].data[0], 0x01);
        EXPECT_EQ(bus->sent[0].data[1], 5);
    }
    // Offline there is no bus to lend.
    control.SetLinkState(kLinkStateClosed);
    control.CloseLink();
    control.SelectLinkType(link::kLinkTypeOffline);
    EXPECT_FALSE(control.UseCanBus([](link::CanPort&) { FAIL() << "no bus"; }));
    control.Stop();
}

}  // namespace
}  // namespace morlo::engine
