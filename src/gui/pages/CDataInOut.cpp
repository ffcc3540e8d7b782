#include "CDataInOut.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "AppConstants.h"
#include "AppContext.h"
#include "CFunctionDialog.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "MessageBox.h"
#include "PagePlacement.h"
#include "TipWindow.h"
#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "profile/Profile.h"
#include "text/NumberIo.h"

namespace morlo::gui {
namespace {

constexpr int kStandardDpi = 96;
constexpr int kIconSize96 = 22;
constexpr int kIconSizeOther = 28;
constexpr int kFlagIconSize96 = 30;  // the switch picture is wide and flat
constexpr int kFlagIconSizeOther = 36;
constexpr int kFunctionTextWidth96 = 150;
constexpr int kFunctionTextWidthOther = 190;
constexpr const char* kIconProperty = "morloIcon";
constexpr int kSteps = static_cast<int>(page::kDataInOutReadOrder.size());

// Grid columns of the form.
enum Column { kName, kFunction, kChoose, kSimulation, kPolarity, kLamp, kVirtualLamp };

QString IconPath(int icon) {
    return QString(":/icons/icon%1.svg").arg(icon);
}

}  // namespace

CDataInOut::CDataInOut(AppContext& context, QWidget* parent)
    : CPageView(context, parent),
      iconSize_(context.dpiX == kStandardDpi ? kIconSize96 : kIconSizeOther),
      tips_(new TipWindow(this)) {
    const std::filesystem::path names =
        FsPath(context.workDir + "/data/") / page::kFunctionNameFile;
    // A missing name file only leaves the names empty; one that exists but cannot be read is
    // named once, when the page opens.
    if (const FileProblem problem = Profile::Problem(names); IsBroken(problem)) {
        ShowMessage(FileProblemMessage(names, problem, kFunctionsUnnamed));
    }
    const int language = context.language.load();
    inputNames_ = std::make_unique<FunctionNameFile>(names, page::kFunctionSectionIn, language);
    outputNames_ = std::make_unique<FunctionNameFile>(names, page::kFunctionSectionOut, language);
    BuildForm();
    tips_->SetOwner(this);

    // Creation: the states cyclically, every known object with its unit and cyclic mode,
    // then the read sequence and the two hidden function dialogs.
    for (ObjectKey key : {page::kInputStates, page::kVirtualInputStates, page::kOutputStates}) {
        context_.Link().AddCyclic(Id(), key, engine::kCyclicReadOnly);
    }
    RegisterObjects();
    active_ = true;
    StartReadSequence();
    const bool standard = context.dpiX == kStandardDpi;
    auto chosen = [this](std::uint16_t value, ObjectKey key) { FunctionChosen(value, key); };
    inputDialog_ = new CFunctionDialog(*inputNames_, false, standard, chosen, this);
    outputDialog_ = new CFunctionDialog(*outputNames_, true, standard, chosen, this);
    inputDialog_->setWindowFlag(Qt::Window);
    outputDialog_->setWindowFlag(Qt::Window);
}

CDataInOut::~CDataInOut() = default;

// ---- the form ----

void CDataInOut::BuildForm() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    int row = 0;
    AddHeader(grid, row++, false);
    for (int i = 0; i < kChannelCount; ++i) {
        Channel& channel = channels_[static_cast<std::size_t>(i)];
        channel.output = i >= page::kInputCount;
        channel.bit = channel.output ? i - page::kInputCount : i;
        channel.functionKey = channel.output ? page::kOutputFunctions[channel.bit]
                                             : page::kInputFunctions[channel.bit];
        if (i == page::kInputCount) {
            AddHeader(grid, row++, true);
        }
        AddChannelRow(grid, row++, channel);
    }
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(kFunction, 1);
}

void CDataInOut::AddHeader(QGridLayout* grid, int row, bool outputs) {
    auto caption = [&](const QString& text, int column, int span = 1) {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignCenter);
        grid->addWidget(label, row, column, 1, span);
    };
    caption(tr("功能"), kFunction, 2);
    caption(tr("仿真"), kSimulation);
    caption(tr("极性"), kPolarity);
    caption(outputs ? tr("实际输出") : tr("实际输入"), kLamp);
    if (!outputs) {
        caption(tr("虚拟状态"), kVirtualLamp);
    }
}

void CDataInOut::AddChannelRow(QGridLayout* grid, int row, Channel& channel) {
    const QString name = channel.output ? QString("DOUT%1").arg(channel.bit + 1)
                                        : QString("DIN%1").arg(channel.bit + 1);
    grid->addWidget(new QLabel(name, this), row, kName);

    channel.function = new QLineEdit(this);
    channel.function->setReadOnly(true);
    channel.function->setFocusPolicy(Qt::NoFocus);
    channel.function->setMinimumWidth(context_.dpiX == kStandardDpi ? kFunctionTextWidth96
                                                                    : kFunctionTextWidthOther);
    grid->addWidget(channel.function, row, kFunction);

    channel.choose = new QToolButton(this);
    channel.choose->setText("...");
    grid->addWidget(channel.choose, row, kChoose);
    const std::size_t index = static_cast<std::size_t>(&channel - channels_.data());
    connect(channel.choose, &QToolButton::clicked, this,
            [this, index] { ChooseFunction(channels_[index]); });

    auto flagButton = [&](FlagWord& (CDataInOut::*word)(const Channel&), int column) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        const int size = context_.dpiX == kStandardDpi ? kFlagIconSize96 : kFlagIconSizeOther;
        button->setIconSize(QSize(size, size));
        SetIcon(button, page::kIconFlagClear);
        button->setEnabled(false);  // until its word is known
        grid->addWidget(button, row, column, Qt::AlignCenter);
        connect(button, &QToolButton::clicked, this, [this, index, word] {
            const Channel& c = channels_[index];
            ToggleFlag((this->*word)(c), c.bit);
        });
        return button;
    };
    channel.simulation = flagButton(&CDataInOut::SimulationOf, kSimulation);
    channel.polarity = flagButton(&CDataInOut::PolarityOf, kPolarity);

    auto lamp = [&](int column) {
        auto* label = new QLabel(this);
        label->setFixedSize(iconSize_, iconSize_);
        SetIcon(label, page::kIconLampOff);
        grid->addWidget(label, row, column, Qt::AlignCenter);
        return label;
    };
    channel.lamp = lamp(kLamp);
    if (!channel.output) {
        channel.virtualLamp = lamp(kVirtualLamp);
    }
}

void CDataInOut::SetIcon(QWidget* control, int icon) {
    if (control->property(kIconProperty).toInt() == icon) {
        return;
    }
    control->setProperty(kIconProperty, icon);
    const QIcon image(IconPath(icon));
    if (auto* button = qobject_cast<QToolButton*>(control)) {
        button->setIcon(image);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setPixmap(image.pixmap(iconSize_, iconSize_));
    }
}

int CDataInOut::IconOf(const QWidget* control) {
    return control->property(kIconProperty).toInt();
}

void CDataInOut::RegisterObjects() {
    for (ObjectKey key : page::kDataInOutReadOrder) {
        DictionaryEntry entry;
        if (!context_.Dictionary().FindByKey(key, entry)) {
            continue;
        }
        std::string unit = kUnitDec;
        context_.Units().AddUnits(key, entry.unitSpec, unit);
        if (entry.IsCyclic()) {
            context_.Link().AddCyclic(
                Id(), key, entry.IsWritable() ? engine::kCyclicWritable : engine::kCyclicReadOnly);
        }
    }
}

// ---- reading ----

void CDataInOut::StartReadSequence() {
    readStep_ = 1;
    ReadNextStep();
}

void CDataInOut::ReadNextStep() {
    if (readStep_ <= 0) {
        return;
    }
    if (readStep_ > kSteps) {
        readStep_ = 0;
        return;
    }
    const ObjectKey key = page::kDataInOutReadOrder[static_cast<std::size_t>(readStep_ - 1)];
    ++readStep_;
    context_.Link().SubmitRequest(Id(), link::kCmdRead, key, 0);
}

void CDataInOut::OnResult(const engine::Delivery& d) {
    switch (d.message) {
        case engine::kMsgValue: {
            // A refused write comes back as the object's value: the form shows what the drive
            // kept, and the refusal is said.
            const auto written = writesPending_.find(d.lParam);
            if (written != writesPending_.end()) {
                const std::uint16_t value = written->second;
                writesPending_.erase(written);
                if (d.writeRefusal != 0) {
                    ShowRefusal(d.lParam, value, d.writeRefusal);
                }
            }
            if (ShowValue(static_cast<std::uint32_t>(d.wParam), d.lParam)) {
                ReadNextStep();
            }
            break;
        }
        case engine::kMsgAbort:
            // A refused write is followed by a read, so that the form shows what the drive
            // kept. A refused read leaves the control as it is and the sequence goes on with
            // the next object: one missing object must not leave the rest of the form unread.
            if (const auto written = writesPending_.find(d.lParam);
                written != writesPending_.end()) {
                const std::uint16_t value = written->second;
                writesPending_.erase(written);
                ShowRefusal(d.lParam, value, static_cast<std::uint32_t>(d.wParam));
                context_.Link().SubmitRequest(Id(), link::kCmdRead, d.lParam, 0);
            } else if (std::find(page::kDataInOutReadOrder.begin(), page::kDataInOutReadOrder.end(),
                                 d.lParam) != page::kDataInOutReadOrder.end()) {
                ReadNextStep();
            }
            break;
        default:
            break;
    }
}

bool CDataInOut::ShowValue(std::uint32_t value, ObjectKey key) {
    if (FlagWord* flags = FlagWordOf(key)) {
        ShowFlags(*flags, value);
        return true;
    }
    if (key == page::kInputStates || key == page::kVirtualInputStates ||
        key == page::kOutputStates) {
        ShowLamps(key, value);
        return true;
    }
    for (Channel& channel : channels_) {
        if (channel.functionKey == key) {
            ShowFunction(channel, static_cast<std::uint16_t>(value));
            return true;
        }
    }
    return false;  // not an object of the page
}

CDataInOut::FlagWord* CDataInOut::FlagWordOf(ObjectKey key) {
    for (FlagWord* flags :
         {&inputPolarity_, &inputSimulation_, &outputPolarity_, &outputSimulation_}) {
        if (flags->key == key) {
            return flags;
        }
    }
    return nullptr;
}

CDataInOut::FlagWord& CDataInOut::SimulationOf(const Channel& channel) {
    return channel.output ? outputSimulation_ : inputSimulation_;
}

CDataInOut::FlagWord& CDataInOut::PolarityOf(const Channel& channel) {
    return channel.output ? outputPolarity_ : inputPolarity_;
}

void CDataInOut::ShowFlags(FlagWord& flags, std::uint32_t value) {
    flags.value = static_cast<std::uint16_t>(value);
    flags.known = true;
    const bool simulation = &flags == &inputSimulation_ || &flags == &outputSimulation_;
    const bool outputs = &flags == &outputPolarity_ || &flags == &outputSimulation_;
    for (Channel& channel : channels_) {
        if (channel.output != outputs) {
            continue;
        }
        QToolButton* button = simulation ? channel.simulation : channel.polarity;
        button->setEnabled(true);
        const bool set = (flags.value & (1u << channel.bit)) != 0;
        SetIcon(button, set ? page::kIconFlagSet : page::kIconFlagClear);
    }
}

void CDataInOut::ShowLamps(ObjectKey key, std::uint32_t value) {
    for (Channel& channel : channels_) {
        QLabel* lamp = nullptr;
        if (key == page::kOutputStates) {
            lamp = channel.output ? channel.lamp : nullptr;
        } else if (!channel.output) {
            lamp = key == page::kInputStates ? channel.lamp : channel.virtualLamp;
        }
        if (lamp) {
            const bool on = (value & (1u << channel.bit)) != 0;
            SetIcon(lamp, on ? page::kIconLampOn : page::kIconLampOff);
        }
    }
}

void CDataInOut::ShowFunction(Channel& channel, std::uint16_t word) {
    if (word == channel.functionWord) {
        return;
    }
    channel.functionWord = word;
    const QStringList names = (channel.output ? outputNames_ : inputNames_)->NamesOf(word);
    channel.function->setText(names.join('+'));
    channel.function->setCursorPosition(0);  // the first function in view
    QStringList numbered;
    for (int i = 0; i < names.size(); ++i) {
        numbered << QString("%1.%2").arg(i + 1).arg(names[i]);
    }
    tips_->RemoveTip(channel.function);
    tips_->AddTip(channel.function, numbered, 0, page::kFunctionTipBackground, Qt::black);
}

// ---- the user's changes ----

void CDataInOut::ToggleFlag(FlagWord& flags, int bit) {
    if (!flags.known || context_.Link().LinkState() != engine::kLinkStateOpen) {
        return;  // a word never read is not written back with guessed bits
    }
    flags.value = static_cast<std::uint16_t>(flags.value ^ (1u << bit));
    ShowFlags(flags, flags.value);
    Write(flags.key, flags.value);
}

void CDataInOut::ChooseFunction(const Channel& channel) {
    CFunctionDialog* dialog = channel.output ? outputDialog_ : inputDialog_;
    dialog->SetTarget(channel.functionKey, channel.functionWord);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void CDataInOut::FunctionChosen(std::uint16_t value, ObjectKey key) {
    Write(key, value);
}

void CDataInOut::Write(ObjectKey key, std::uint16_t value) {
    if (context_.Link().LinkState() != engine::kLinkStateOpen) {
        return;  // dropped by the link anyway; nothing is waited for
    }
    writesPending_[key] = value;
    context_.Link().SubmitRequest(Id(), link::kCmdWrite16, key, value);
}

void CDataInOut::ShowRefusal(ObjectKey key, std::uint16_t value, std::uint32_t code) {
    QString what;
    for (const Channel& channel : channels_) {
        if (channel.functionKey == key) {
            what = channel.output ? QString("DOUT%1").arg(channel.bit + 1)
                                  : QString("DIN%1").arg(channel.bit + 1);
        }
    }
    DictionaryEntry entry;
    if (what.isEmpty()) {
        what = context_.Dictionary().FindByKey(key, entry)
                   ? QString::fromStdString(entry.name)
                   : QString::fromStdString(WriteObjectAddress(key));
    }
    ShowMessage(tr("%1: 驱动器拒绝了 0x%2: %3 (0x%4)")
                    .arg(what)
                    .arg(value, 4, 16, QChar('0'))
                    .arg(QString::fromLatin1(link::AbortCodeText(code).data()))
                    .arg(code, 8, 16, QChar('0')));
}

// ---- page state ----

void CDataInOut::PageNotify(int code) {
    engine::ControlLink& link = context_.Link();
    const bool open = link.LinkState() == engine::kLinkStateOpen;
    switch (code) {
        case notify::kShown:
            if (open) {
                StartReadSequence();
            }
            link.ActivateWindow(Id());
            active_ = true;
            break;
        case notify::kHidden:
            readStep_ = 0;
            active_ = false;
            link.DeactivateWindow(Id());
            break;
        case notify::kRefresh:
            if (active_ && open) {
                StartReadSequence();
            }
            break;
        case notify::kSaveProject:
            WritePagePlacement(context_, this, page::kDataInOutPageId, active_);
            break;
        default:
            break;
    }
}

}  // namespace morlo::gui
