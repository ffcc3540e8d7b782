#include "QtWorkerThread.h"

#include <QThread>

namespace morlo::link {
namespace {

class QtWorker final : public engine::WorkerThread {
  public:
    explicit QtWorker(std::function<void()> run) : thread_(QThread::create(std::move(run))) {
        thread_->start();
    }
    ~QtWorker() override { Join(); }
    void Join() override { thread_->wait(); }

  private:
    std::unique_ptr<QThread> thread_;
};

}  // namespace

engine::ThreadLauncher QtThreadLauncher() {
    return [](std::function<void()> run) -> std::unique_ptr<engine::WorkerThread> {
        return std::make_unique<QtWorker>(std::move(run));
    };
}

}  // namespace morlo::link
