#pragma once

#include <QPixmap>
#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "CPageView.h"
#include "FunctionWords.h"
#include "PageConstants.h"

class QLabel;
class QLineEdit;
class QToolButton;
class QGridLayout;

namespace morlo::gui {

class CFunctionDialog;
class TipWindow;

// The drive's eight digital inputs and seven outputs as a form: per channel its functions
// (chosen in a check-list dialog), its simulation and polarity flags, and lamps for its
// actual state (and for inputs the virtual state). Flags and functions are read once in a
// sequence of 22 reads; the states are read cyclically.
class CDataInOut final : public CPageView {
    Q_OBJECT
  public:
    explicit CDataInOut(AppContext& context, QWidget* parent = nullptr);
    ~CDataInOut() override;

    void PageNotify(int code) override;
    void OnResult(const engine::Delivery& delivery) override;
    // The word chosen in a function dialog for a function object: written to the drive.
    void FunctionChosen(std::uint16_t value, ObjectKey key);

    // One row of the form.
    struct Channel {
        bool output = false;
        int bit = 0;  // its bit in the flag and state words
        ObjectKey functionKey = 0;
        std::uint16_t functionWord = 0;
        QLineEdit* function = nullptr;
        QToolButton* choose = nullptr;
        QToolButton* simulation = nullptr;
        QToolButton* polarity = nullptr;
        QLabel* lamp = nullptr;
        QLabel* virtualLamp = nullptr;  // inputs only
    };
    // Inputs DIN1..DIN8 first, then outputs DOUT1..DOUT7.
    const Channel& ChannelAt(int index) const {
        return channels_.at(static_cast<std::size_t>(index));
    }
    static constexpr int kChannelCount = page::kInputCount + page::kOutputCount;
    static constexpr int OutputChannel(int dout) { return page::kInputCount + dout; }

    int ReadStep() const { return readStep_; }
    bool Active() const { return active_; }
    // The icon a flag button or lamp shows now.
    static int IconOf(const QWidget* control);
    CFunctionDialog* InputDialog() const { return inputDialog_; }
    CFunctionDialog* OutputDialog() const { return outputDialog_; }
    TipWindow* Tips() const { return tips_; }

  private:
    // A flag word (polarity or simulation of the inputs or outputs).
    struct FlagWord {
        ObjectKey key = 0;
        std::uint16_t value = 0;
        bool known = false;  // read from the drive at least once
    };

    void BuildForm();
    void AddHeader(QGridLayout* grid, int row, bool outputs);
    void AddChannelRow(QGridLayout* grid, int row, Channel& channel);
    void RegisterObjects();
    void StartReadSequence();
    void ReadNextStep();
    bool ShowValue(std::uint32_t value, ObjectKey key);
    void ShowFlags(FlagWord& flags, std::uint32_t value);
    void ShowLamps(ObjectKey key, std::uint32_t value);
    void ShowFunction(Channel& channel, std::uint16_t word);
    void ToggleFlag(FlagWord& flags, int bit);
    void ChooseFunction(const Channel& channel);
    FlagWord* FlagWordOf(ObjectKey key);
    FlagWord& SimulationOf(const Channel& channel);
    FlagWord& PolarityOf(const Channel& channel);
    void SetIcon(QWidget* control, int icon);
    void Write(ObjectKey key, std::uint16_t value);
    // The drive refused a written word: the user is told which, and why.
    void ShowRefusal(ObjectKey key, std::uint16_t value, std::uint32_t code);

    std::array<Channel, kChannelCount> channels_{};
    FlagWord inputPolarity_{page::kInputPolarity};
    FlagWord inputSimulation_{page::kInputSimulation};
    FlagWord outputPolarity_{page::kOutputPolarity};
    FlagWord outputSimulation_{page::kOutputSimulation};
    std::map<ObjectKey, std::uint16_t> writesPending_;  // written, no answer yet
    int readStep_ = 0;
    bool active_ = false;
    int iconSize_;
    std::unique_ptr<FunctionNameFile> inputNames_;
    std::unique_ptr<FunctionNameFile> outputNames_;
    TipWindow* tips_;
    CFunctionDialog* inputDialog_ = nullptr;
    CFunctionDialog* outputDialog_ = nullptr;
};

}  // namespace morlo::gui
