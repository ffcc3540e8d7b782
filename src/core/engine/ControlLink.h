#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/MessageSink.h"
#include "engine/CyclicReadList.h"
#include "engine/LinkRequest.h"
#include "engine/Pacer.h"
#include "engine/ResultDispatcher.h"
#include "link/LinkCodec.h"
#include "link/LinkLibrary.h"

namespace morlo::engine {

// A running worker thread that can be waited for.
class WorkerThread {
  public:
    virtual ~WorkerThread() = default;
    virtual void Join() = 0;
};
// Starts a worker thread running the function; null when no thread could be created.
using ThreadLauncher = std::function<std::unique_ptr<WorkerThread>(std::function<void()>)>;

// All traffic with the drive runs on one worker thread. Receivers submit requests or register
// objects for cyclic reading; the thread serves one exchange at a time and hands every result
// to its receiver through the dispatcher, waiting until the handler has run.
//
// One mutex guards the request slot, the queues, the cyclic list and the hand-over; it is
// never held during an exchange or while a handler runs. Link operations (select, open, close,
// adapter version) run on the worker thread, because link objects belong to the thread that
// uses them; a caller waiting for one keeps running the results handed to it meanwhile, and
// the worker keeps running such operations while it waits for a handler, so neither side can
// block the other.
class ControlLink {
  public:
    struct Options {
        MessageSink* messages = nullptr;
        std::shared_ptr<Pacer> pacer;  // default: real time
        // sys.ini, where selecting the CAN link marks the adapter as taken ([sys] can = 1).
        std::filesystem::path sysIniPath;
        // How the worker thread is started (default: a standard thread). Qt link objects need
        // a thread that can run Qt events, so the Qt programs pass one of theirs.
        ThreadLauncher launcher;
    };

    ControlLink(link::LinkLibrary& library, ResultDispatcher& dispatcher, Options options);
    ~ControlLink();
    ControlLink(const ControlLink&) = delete;
    ControlLink& operator=(const ControlLink&) = delete;

    // Starts the worker thread (once). Returns false when it could not be created.
    bool Start();
    // Sets the exit flag and waits for the worker; never waits on a handler.
    void Stop();

    // 1 when the request was deferred, else 0 (taken or dropped).
    int SubmitRequest(ReceiverId window, std::uint8_t command, ObjectKey key, std::int32_t value);

    int AddCyclic(ReceiverId window, ObjectKey key, std::uint8_t mode);
    int ActivateWindow(ReceiverId window);
    void DeactivateWindow(ReceiverId window);
    int ActivateKey(ObjectKey key);
    // Activates the window's own node of the key (not another window's); 0 when it has none.
    int ActivateKey(ReceiverId window, ObjectKey key);
    bool ContainsCyclic(ReceiverId window, ObjectKey key);
    bool IsDeferredQueueEmpty();

    // Link operations (run on the worker thread once it runs).
    int SelectLinkType(int linkType);
    int OpenLink(const link::LinkSettings& settings);
    void CloseLink();
    void SetNodeId(int nodeId);
    int NodeId() const { return nodeId_.load(); }
    bool ReadAdapterVersion(std::string& text);
    // The data bytes of the last segment answer, their count, and whether that segment ends
    // the upload; valid inside the handler of a segment result (and of an expedited answer to
    // a read, whose data bytes it gives likewise).
    void GetSegmentData(std::array<std::uint8_t, 7>& data, int& count, bool& last);
    // Every frame sent and received (for tracing); set before Start.
    void SetFrameObserver(link::LinkCodec::FrameObserver observer);
    // Objects read by block upload on CAN (see LinkCodec::SetBlockUploadObjects).
    void SetBlockUploadObjects(link::LinkCodec::ObjectFilter filter);
    // Every CAN frame that answers no request; set before Start. While a CAN link is open and
    // nothing is to be done, the worker keeps listening to the bus for it.
    void SetBusListener(link::LinkCodec::BusListener listener);
    // Runs the operation on the bus of the open CAN link, between exchanges; false when the
    // link is no open CAN link.
    bool UseCanBus(const std::function<void(link::CanPort&)>& operation);

    // Runs the result waiting for the receivers' thread, waiting up to the given time for one
    // to arrive. Returns true when a handler ran. Call on the receivers' thread only.
    bool RunPendingDeliveries(std::chrono::milliseconds wait = std::chrono::milliseconds(0));

    // Switches and shared values.
    int LinkState() const { return linkState_.load(); }
    void SetLinkState(int state);
    bool CyclicReadSwitch() const { return cyclicReadSwitch_.load(); }
    void SetCyclicReadSwitch(bool on);
    bool DeferredServeSwitch() const { return deferredServeSwitch_.load(); }
    void SetDeferredServeSwitch(bool on);
    bool SendRetrySwitch() const { return sendRetrySwitch_.load(); }
    void SetSendRetrySwitch(bool on) { sendRetrySwitch_.store(on); }
    // While exclusive mode is on only the exclusive window may submit.
    void SetExclusiveWindow(ReceiverId window);
    void EndExclusive();
    bool IsExclusive() const { return exclusive_.load(); }
    ReceiverId ExclusiveWindow() const { return exclusiveWindow_.load(); }
    void SetPriorityWindow(ReceiverId window);
    ReceiverId PriorityWindow() const { return priorityWindow_.load(); }
    void SetMainWindow(ReceiverId window) { mainWindow_.store(window); }
    bool ThreadExitFlag() const { return threadExit_.load(); }
    // Counts the openings of the link; every result carries the count of its request's time.
    std::uint32_t LinkGeneration() const { return linkGeneration_.load(); }
    bool CanClaimed() const { return canClaimed_.load(); }

  private:
    void Run();
    void ServeSlot(std::unique_lock<std::mutex>& lock);
    void RunCyclicStep(std::unique_lock<std::mutex>& lock);
    void Pause(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds duration);
    void RunTasks(std::unique_lock<std::mutex>& lock);
    // Listens to the CAN bus for a moment; false when there is no bus to listen to.
    bool ListenToBus(std::unique_lock<std::mutex>& lock);
    // Hands a result to the receivers' thread and waits until it ran (or the exit flag).
    void Deliver(std::unique_lock<std::mutex>& lock, const Delivery& delivery);
    // command: the request's, 0 for a cyclic read.
    void ReportResult(std::unique_lock<std::mutex>& lock, ReceiverId window, ObjectKey key,
                      std::uint8_t command, std::uint32_t generation);
    void ReportLinkFailure(std::unique_lock<std::mutex>& lock, std::uint32_t generation);
    // Runs a link operation on the worker thread and waits for it.
    void RunOnWorker(const std::function<void()>& operation);
    bool OnWorkerThread() const;
    bool HasWork() const;  // under the lock

    link::LinkLibrary& library_;
    ResultDispatcher& dispatcher_;
    Options options_;
    link::LinkCodec codec_;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    // Request slot and queues.
    bool slotBusy_ = false;
    LinkRequest slot_;
    std::deque<LinkRequest> deferredQueue_;
    std::deque<LinkRequest> displacedQueue_;
    CyclicReadList cyclicList_;
    // Hand-over of results and of link operations.
    std::optional<Delivery> pendingDelivery_;
    bool deliveryRunning_ = false;
    std::deque<std::function<void()>*> tasks_;
    std::uint64_t tasksDone_ = 0;
    std::uint64_t tasksQueued_ = 0;

    std::atomic<int> linkState_{kLinkStateNone};
    std::atomic<bool> cyclicReadSwitch_{true};
    std::atomic<bool> deferredServeSwitch_{true};
    std::atomic<bool> sendRetrySwitch_{true};
    std::atomic<bool> threadExit_{false};
    std::atomic<bool> exclusive_{false};
    std::atomic<ReceiverId> exclusiveWindow_{kNoReceiver};
    std::atomic<ReceiverId> priorityWindow_{kNoReceiver};
    std::atomic<ReceiverId> mainWindow_{kNoReceiver};
    std::atomic<bool> canClaimed_{false};
    std::atomic<int> nodeId_{1};
    std::atomic<std::uint32_t> linkGeneration_{0};

    std::unique_ptr<WorkerThread> worker_;
    std::atomic<std::thread::id> workerId_{};
};

}  // namespace morlo::engine
