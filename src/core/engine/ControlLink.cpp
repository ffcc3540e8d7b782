#include "engine/ControlLink.h"

#include <system_error>

#include <algorithm>

#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "profile/Profile.h"

namespace morlo::engine {
namespace {

class StandardWorkerThread final : public WorkerThread {
  public:
    explicit StandardWorkerThread(std::function<void()> run) : thread_(std::move(run)) {}
    void Join() override {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

  private:
    std::thread thread_;
};

std::unique_ptr<WorkerThread> LaunchStandardThread(std::function<void()> run) {
    try {
        return std::make_unique<StandardWorkerThread>(std::move(run));
    } catch (const std::system_error&) {
        return nullptr;
    }
}

}  // namespace

ControlLink::ControlLink(link::LinkLibrary& library, ResultDispatcher& dispatcher, Options options)
    : library_(library),
      dispatcher_(dispatcher),
      options_(std::move(options)),
      codec_(library, sendRetrySwitch_) {
    if (!options_.pacer) {
        options_.pacer = std::make_shared<RealTimePacer>();
    }
    if (!options_.launcher) {
        options_.launcher = LaunchStandardThread;
    }
}

ControlLink::~ControlLink() {
    Stop();
}

bool ControlLink::Start() {
    if (worker_) {
        return true;
    }
    threadExit_ = false;
    worker_ = options_.launcher([this] { Run(); });
    if (!worker_) {
        if (options_.messages) {
            options_.messages->ShowMessage(kMsgThreadCreateFailed);
        }
        return false;
    }
    return true;
}

void ControlLink::Stop() {
    {
        std::lock_guard lock(mutex_);
        threadExit_ = true;
    }
    cv_.notify_all();
    if (worker_ && !OnWorkerThread()) {
        worker_->Join();
        worker_.reset();
    }
}

bool ControlLink::OnWorkerThread() const {
    return std::this_thread::get_id() == workerId_;
}

// ---- requests and the cyclic list (receivers' side) ----

int ControlLink::SubmitRequest(ReceiverId window, std::uint8_t command, ObjectKey key,
                               std::int32_t value) {
    const LinkRequest request{window, key, value, command};
    std::unique_lock lock(mutex_);
    if (linkState_ != kLinkStateOpen) {
        return 0;
    }
    if (exclusive_) {
        ReceiverId owner = exclusiveWindow_;
        if (owner != kNoReceiver && owner != window) {
            return 0;
        }
        slot_ = request;
        slotBusy_ = true;
        const bool wake = !deliveryRunning_;
        lock.unlock();
        if (wake) {
            cv_.notify_all();
        }
        return 0;
    }
    ReceiverId priority = priorityWindow_;
    if (priority != kNoReceiver && !deferredServeSwitch_ && window != priority) {
        deferredQueue_.push_back(request);
        cv_.notify_all();
        return 1;
    }
    // Requests for one object are served in the order they were made (three writes end
    // with the last value on the drive); only a request for another object goes first.
    // Segment requests continue a running upload and always go first.
    const bool continuesUpload = command == link::kCmdSegment || command == link::kCmdSegmentToggle;
    const bool sameKeyPending =
        !continuesUpload && ((slotBusy_ && slot_.key == key) ||
                             std::any_of(displacedQueue_.begin(), displacedQueue_.end(),
                                         [key](const LinkRequest& r) { return r.key == key; }));
    if (sameKeyPending) {
        displacedQueue_.push_back(request);
        cv_.notify_all();
        return 0;
    }
    if (slotBusy_) {
        // The displaced request keeps its place before any later request of its object.
        const ObjectKey displacedKey = slot_.key;
        auto later =
            std::find_if(displacedQueue_.begin(), displacedQueue_.end(),
                         [displacedKey](const LinkRequest& r) { return r.key == displacedKey; });
        displacedQueue_.insert(later, slot_);
    }
    slot_ = request;
    slotBusy_ = true;
    // A handler submitting its next request needs no wake-up: the worker waits for the
    // handler to return and looks at the slot then. Waking it here would only make it
    // contend for the lock and take the core from the handler.
    const bool wake = !deliveryRunning_;
    lock.unlock();
    if (wake) {
        cv_.notify_all();
    }
    return 0;
}

int ControlLink::AddCyclic(ReceiverId window, ObjectKey key, std::uint8_t mode) {
    std::lock_guard lock(mutex_);
    bool added = cyclicList_.Add(window, key, mode);
    cv_.notify_all();
    return added ? 1 : 0;
}

int ControlLink::ActivateWindow(ReceiverId window) {
    std::lock_guard lock(mutex_);
    return cyclicList_.ActivateWindow(window) ? 1 : 0;
}

void ControlLink::DeactivateWindow(ReceiverId window) {
    std::lock_guard lock(mutex_);
    cyclicList_.DeactivateWindow(window);
}

int ControlLink::ActivateKey(ObjectKey key) {
    std::lock_guard lock(mutex_);
    return cyclicList_.ActivateKey(key) ? 1 : 0;
}

int ControlLink::ActivateKey(ReceiverId window, ObjectKey key) {
    std::lock_guard lock(mutex_);
    return cyclicList_.ActivateKey(window, key) ? 1 : 0;
}

bool ControlLink::ContainsCyclic(ReceiverId window, ObjectKey key) {
    std::lock_guard lock(mutex_);
    return cyclicList_.Contains(window, key);
}

bool ControlLink::IsDeferredQueueEmpty() {
    std::lock_guard lock(mutex_);
    return deferredQueue_.empty();
}

// ---- switches ----

void ControlLink::SetLinkState(int state) {
    linkState_ = state;
    cv_.notify_all();
}

void ControlLink::SetCyclicReadSwitch(bool on) {
    cyclicReadSwitch_ = on;
    cv_.notify_all();
}

void ControlLink::SetDeferredServeSwitch(bool on) {
    deferredServeSwitch_ = on;
    cv_.notify_all();
}

void ControlLink::SetExclusiveWindow(ReceiverId window) {
    std::lock_guard lock(mutex_);
    exclusiveWindow_ = window;
    exclusive_ = true;
}

void ControlLink::EndExclusive() {
    std::lock_guard lock(mutex_);
    exclusive_ = false;
    exclusiveWindow_ = kNoReceiver;
}

void ControlLink::SetPriorityWindow(ReceiverId window) {
    priorityWindow_ = window;
    cv_.notify_all();
}

// ---- link operations ----

void ControlLink::RunOnWorker(const std::function<void()>& operation) {
    std::unique_lock lock(mutex_);
    if (!worker_ || OnWorkerThread() || threadExit_) {
        lock.unlock();
        operation();
        return;
    }
    std::function<void()> task = operation;
    tasks_.push_back(&task);
    ++tasksQueued_;
    const std::uint64_t ticket = tasksQueued_;
    cv_.notify_all();
    while (tasksDone_ < ticket) {
        if (pendingDelivery_ && !deliveryRunning_) {
            // The worker waits for this thread's handlers; run them while we wait for it.
            lock.unlock();
            RunPendingDeliveries();
            lock.lock();
            continue;
        }
        cv_.wait(lock);
    }
}

void ControlLink::RunTasks(std::unique_lock<std::mutex>& lock) {
    while (!tasks_.empty()) {
        std::function<void()>* operation = tasks_.front();
        tasks_.pop_front();
        lock.unlock();
        (*operation)();
        lock.lock();
        ++tasksDone_;
        cv_.notify_all();
    }
}

int ControlLink::SelectLinkType(int linkType) {
    int result = 0;
    RunOnWorker([&] {
        if (linkType == link::kLinkTypeCan) {
            canClaimed_ = true;
            if (!options_.sysIniPath.empty()) {
                Profile::WriteString(options_.sysIniPath, "sys", "can", "1");
            }
        }
        codec_.SetLinkType(linkType);
        result = library_.Load(linkType);
    });
    return result;
}

int ControlLink::OpenLink(const link::LinkSettings& settings) {
    int result = -1;
    RunOnWorker([&] {
        ++linkGeneration_;
        codec_.ForgetDevice();
        result = library_.Open(settings);
    });
    return result;
}

void ControlLink::CloseLink() {
    {
        // No request of this opening may go out on the next one.
        std::lock_guard lock(mutex_);
        slotBusy_ = false;
        deferredQueue_.clear();
        displacedQueue_.clear();
    }
    RunOnWorker([&] {
        codec_.AbandonUpload(static_cast<std::uint32_t>(link::AbortCode::GeneralError));
        codec_.ForgetDevice();
        library_.Close();
    });
}

void ControlLink::SetNodeId(int nodeId) {
    nodeId_ = nodeId;
    RunOnWorker([&] { codec_.SetNodeId(nodeId); });
}

bool ControlLink::ReadAdapterVersion(std::string& text) {
    bool ok = false;
    RunOnWorker([&] { ok = library_.GetVersion(text); });
    return ok;
}

void ControlLink::GetSegmentData(std::array<std::uint8_t, 7>& data, int& count, bool& last) {
    std::lock_guard lock(mutex_);
    const std::uint8_t* bytes = nullptr;
    codec_.GetSegmentData(bytes, count, last);
    data.fill(0);
    const int kept = std::clamp(count, 0, static_cast<int>(data.size()));
    std::copy_n(bytes, kept, data.begin());
}

void ControlLink::SetFrameObserver(link::LinkCodec::FrameObserver observer) {
    codec_.SetFrameObserver(std::move(observer));
}

void ControlLink::SetBlockUploadObjects(link::LinkCodec::ObjectFilter filter) {
    RunOnWorker([&] { codec_.SetBlockUploadObjects(std::move(filter)); });
}

void ControlLink::SetBusListener(link::LinkCodec::BusListener listener) {
    codec_.SetBusListener(std::move(listener));
}

bool ControlLink::UseCanBus(const std::function<void(link::CanPort&)>& operation) {
    bool used = false;
    RunOnWorker([&] { used = codec_.UseCanBus(operation); });
    return used;
}

bool ControlLink::ListenToBus(std::unique_lock<std::mutex>& lock) {
    if (!codec_.HasBusListener()) {
        return false;
    }
    lock.unlock();
    const bool listened = codec_.ListenBus(kBusListenSlice);
    lock.lock();
    return listened;
}

// ---- hand-over of results ----

bool ControlLink::RunPendingDeliveries(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    if (!pendingDelivery_ && wait.count() > 0) {
        cv_.wait_for(lock, wait, [this] { return pendingDelivery_.has_value() || threadExit_; });
    }
    if (!pendingDelivery_) {
        return false;
    }
    Delivery delivery = *pendingDelivery_;
    pendingDelivery_.reset();
    deliveryRunning_ = true;
    lock.unlock();
    dispatcher_.Dispatch(delivery);
    lock.lock();
    deliveryRunning_ = false;
    lock.unlock();
    cv_.notify_all();  // after unlocking, so that the woken worker finds the lock free
    return true;
}

void ControlLink::Deliver(std::unique_lock<std::mutex>& lock, const Delivery& delivery) {
    if (threadExit_ || delivery.receiver == kNoReceiver) {
        return;
    }
    pendingDelivery_ = delivery;
    lock.unlock();
    cv_.notify_all();  // a receivers' thread may be waiting in RunPendingDeliveries
    dispatcher_.WakeReceiverThread();
    lock.lock();
    while (pendingDelivery_ || deliveryRunning_) {
        if (threadExit_) {
            pendingDelivery_.reset();
            return;
        }
        if (!tasks_.empty()) {
            RunTasks(lock);
            continue;
        }
        cv_.wait(lock);
    }
}

void ControlLink::ReportLinkFailure(std::unique_lock<std::mutex>& lock, std::uint32_t generation) {
    Deliver(lock, {mainWindow_.load(), kMsgLinkState, 0, 0, generation});
}

void ControlLink::ReportResult(std::unique_lock<std::mutex>& lock, ReceiverId window, ObjectKey key,
                               std::uint8_t command, std::uint32_t generation) {
    const bool cyclic = command == 0;
    link::ResultKind kind;
    std::int32_t value = 0;
    if (!codec_.Decode(kind, value)) {
        return;
    }
    if (!cyclic) {
        key = codec_.ResultKey();  // a segment request may name no object; its upload does
    }
    int message = 0;
    switch (kind) {
        case link::ResultKind::UploadStarted:
            // A cyclic read never follows an upload; the next exchange aborts it.
            message = cyclic ? 0 : kMsgUploadStart;
            break;
        case link::ResultKind::Value:
            message = kMsgValue;
            break;
        case link::ResultKind::Segment:
            message = cyclic ? kMsgValue : kMsgSegment;
            break;
        case link::ResultKind::Abort:
            message = kMsgAbort;
            break;
        case link::ResultKind::NotDecoded:
            message = cyclic ? kMsgValue : 0;
            break;
    }
    if (message != 0) {
        Delivery delivery{window, message, value, key, generation};
        delivery.command = command;
        if (message == kMsgValue) {
            delivery.dataBits = codec_.ResultBits();
            delivery.writeRefusal = codec_.WriteRefusal();
        }
        Deliver(lock, delivery);
    }
}

// ---- the worker ----

bool ControlLink::HasWork() const {
    return threadExit_ || !tasks_.empty() || slotBusy_ || !displacedQueue_.empty() ||
           (deferredServeSwitch_ && !deferredQueue_.empty()) ||
           (cyclicReadSwitch_ && !cyclicList_.Empty());
}

void ControlLink::Pause(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds duration) {
    options_.pacer->Pause(lock, cv_, duration,
                          [this] { return threadExit_.load() || !tasks_.empty(); });
}

void ControlLink::Run() {
    std::unique_lock lock(mutex_);
    workerId_ = std::this_thread::get_id();
    while (!threadExit_) {
        RunTasks(lock);
        if (threadExit_) {
            break;
        }
        if (linkState_ != kLinkStateOpen) {
            options_.pacer->Pause(lock, cv_, kPauseLinkClosed, [this] {
                return threadExit_.load() || !tasks_.empty() || linkState_ == kLinkStateOpen;
            });
            continue;
        }
        if (deferredServeSwitch_ && !slotBusy_ && !deferredQueue_.empty()) {
            if (deferredQueue_.size() == 1) {
                Pause(lock, kPauseLastQueued);
            }
            // A request submitted during the pause is newer: it is served first.
            if (!slotBusy_ && deferredServeSwitch_ && !deferredQueue_.empty()) {
                slot_ = deferredQueue_.front();
                deferredQueue_.pop_front();
                slotBusy_ = true;
            }
        }
        if (!slotBusy_ && !displacedQueue_.empty()) {
            if (displacedQueue_.size() == 1) {
                Pause(lock, kPauseLastQueued);
            }
            if (!slotBusy_ && !displacedQueue_.empty()) {
                slot_ = displacedQueue_.front();
                displacedQueue_.pop_front();
                slotBusy_ = true;
            }
        }
        if (!slotBusy_) {
            if ((!cyclicReadSwitch_ || cyclicList_.Empty()) && ListenToBus(lock)) {
                continue;  // heartbeats and emergencies come while nothing is asked
            }
            if (!cyclicReadSwitch_) {
                // Nothing to do until somebody submits, switches, or stops.
                options_.pacer->Pause(lock, cv_, kPauseIdle, [this] { return HasWork(); });
                continue;
            }
            if (cyclicList_.Empty()) {
                options_.pacer->Pause(lock, cv_, kPauseCyclicPass, [this] { return HasWork(); });
                continue;
            }
            RunCyclicStep(lock);
            continue;
        }
        ServeSlot(lock);
    }
    RunTasks(lock);  // nobody may wait forever for an operation
    pendingDelivery_.reset();
}

void ControlLink::ServeSlot(std::unique_lock<std::mutex>& lock) {
    if (linkState_ != kLinkStateOpen) {
        return;
    }
    const LinkRequest request = slot_;
    slotBusy_ = false;  // a request submitted during the exchange takes the empty slot
    if (threadExit_) {
        return;
    }
    const std::uint32_t generation = linkGeneration_;
    lock.unlock();
    const int result = codec_.Exchange(request.key, request.command, request.value);
    lock.lock();
    if (result != link::kExchangeAnswered) {
        // A link that no longer answers is closed by the main frame first; then the receiver
        // learns that its request has no answer, so that it can go on.
        const ObjectKey key = codec_.ResultKey();
        if (result != link::kExchangeSegmentLost) {
            ReportLinkFailure(lock, generation);
        }
        Delivery fault{request.window, kMsgLinkFault, 0, key, generation};
        fault.command = request.command;
        Deliver(lock, fault);
        return;
    }
    ReportResult(lock, request.window, request.key, request.command, generation);
}

void ControlLink::RunCyclicStep(std::unique_lock<std::mutex>& lock) {
    auto leave = [this] {
        return threadExit_ || slotBusy_ || !tasks_.empty() || !cyclicReadSwitch_ ||
               cyclicList_.Empty() || linkState_ != kLinkStateOpen ||
               (deferredServeSwitch_ && !deferredQueue_.empty());
    };
    while (true) {
        std::optional<CyclicNode> node = cyclicList_.NextTurn();
        if (node && linkState_ == kLinkStateOpen && !threadExit_) {
            const std::uint32_t generation = linkGeneration_;
            lock.unlock();
            const int result = codec_.Exchange(node->key, link::kCmdRead, 0);
            lock.lock();
            if (result != link::kExchangeAnswered) {
                ReportLinkFailure(lock, generation);
            } else {
                ReportResult(lock, node->window, node->key, 0, generation);
            }
        }
        options_.pacer->Pause(lock, cv_, kPauseCyclicTurn, leave);
        if (leave()) {
            break;
        }
    }
    options_.pacer->Pause(lock, cv_, kPauseCyclicPass,
                          [this] { return threadExit_ || slotBusy_ || !tasks_.empty(); });
}

}  // namespace morlo::engine
