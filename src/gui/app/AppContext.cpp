#include "AppContext.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <cmath>

#include "FileProblems.h"
#include "FsPath.h"
#include "QtLinkFactories.h"
#include "QtWorkerThread.h"
#include "SimulatedLinkObject.h"
#include "dictionary/DictionarySource.h"
#include "engine/BlockUploadObjects.h"
#include "profile/Profile.h"

namespace morlo::gui {
namespace {

AppContext* g_instance = nullptr;

constexpr std::size_t kLangBuffer = 4;
constexpr int kLinkTypeMask = 0xFF;
constexpr const char* kDefaultCanInterface = "socketcan:can0";

}  // namespace

bool ChineseFontInstalled() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return false;  // no font database without a graphical application
    }
    return !QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty();
}

AppContext* AppContext::Instance() {
    return g_instance;
}

AppContext::AppContext(AppContextOptions options) {
    g_instance = this;
    workDir = options.workDir.isEmpty() ? QDir::currentPath() : options.workDir;
    userDir = workDir + "/user/";
    sysIniPath = workDir + "/sys/sys.ini";
    langLibPath = workDir + "/data/EN.qm";
    databasePath = workDir + "/data/TARNEX.dat";
    dictionarySourceDir = workDir + "/data/dictionary";

    const bool chinese = options.chineseSystem.value_or(ChineseFontInstalled());
    systemChinese = chinese ? kSystemChinese : kSystemOther;
    const auto sysIni = FsPath(sysIniPath);
    // A sys.ini that cannot be read (a directory, no permission) is reported once and
    // replaced by the defaults: the system's language, offline. The language dialog cannot
    // mend it, so nobody waits for its language.
    const FileProblem sysIniProblem = Profile::Problem(sysIni);
    const bool sysIniBroken = IsBroken(sysIniProblem);
    if (sysIniBroken) {
        startupProblem = FileProblemMessage(sysIni, sysIniProblem, kDefaultsUsed);
    }
    const int defaultLanguage = chinese ? kLanguageChinese : kLanguageEnglish;
    // The language is settled here, before the dictionary loads, so that object names and
    // the user interface always share one language: English on a system that is not Chinese.
    language = chinese && !sysIniBroken ? Profile::ReadInt(sysIni, "sys", "lang", kLangBuffer)
                                        : defaultLanguage;
    linkType = Profile::ReadInt(sysIni, "sys", "comm", kLangBuffer) & kLinkTypeMask;

    messages_ = std::make_unique<GuiMessageSink>();
    dispatcher_ = std::make_unique<GuiDispatcher>();
    dictionary_ = std::make_unique<ObjectDictionary>();
    links_ = std::make_unique<link::LinkLibrary>(messages_.get());
    RegisterLinkTypes(options.simulatedDrive);
    engine::ControlLink::Options linkOptions;
    linkOptions.messages = messages_.get();
    linkOptions.sysIniPath = sysIni;
    linkOptions.launcher = link::QtThreadLauncher();
    linkOptions.pacer = options.pacer;
    control_ = std::make_unique<engine::ControlLink>(*links_, *dispatcher_, linkOptions);
    dispatcher_->SetControlLink(control_.get());
    network_ = std::make_unique<canopen::NetworkMonitor>();
    control_->SetBlockUploadObjects(engine::BlockUploadObjects(*dictionary_));
    control_->SetBusListener(
        [network = network_.get()](const link::CanMessage& message,
                                   std::chrono::steady_clock::time_point received) {
            network->Feed(message, received);
        });
    auto submit = [this](engine::ReceiverId w, std::uint8_t c, ObjectKey k, std::int32_t v) {
        return control_->SubmitRequest(w, c, k, v);
    };
    formulas_ = std::make_unique<FormulaEvaluator>(
        submit, [this] { return mainWindowId_; }, messages_.get());
    units_ = std::make_unique<UnitTable>(messages_.get());
    conversion_ = std::make_unique<ValueConversion>(
        *dictionary_, *units_, *formulas_, submit, [](const std::string& text) {
            ShowMessage(QString::fromStdString(text), QMessageBox::Information);
        });

    ObjectDictionary::LoadSettings load;
    load.databasePath = FsPath(databasePath);
    load.language = &language;
    load.messages = messages_.get();
    load.readLanguageText = [sysIni, chinese, sysIniBroken, defaultLanguage]() -> std::string {
        if (!chinese || sysIniBroken) {
            return std::to_string(defaultLanguage);
        }
        return Profile::ReadString(sysIni, "sys", "lang", kLangBuffer);
    };
    dictionary_->StartLoad(load);
    control_->Start();
}

AppContext::~AppContext() {
    control_->Stop();
    if (control_->CanClaimed()) {
        Profile::WriteString(FsPath(sysIniPath), "sys", "can", "0");
    }
    if (g_instance == this) {
        g_instance = nullptr;
    }
}

void AppContext::RegisterLinkTypes(std::shared_ptr<sim::SimulatedDrive> given) {
    std::string canInterface = Profile::ReadString(FsPath(sysIniPath), "can", "interface", 64);
    if (canInterface.empty()) {
        canInterface = kDefaultCanInterface;
    }
    link::RegisterQtLinkFactories(*links_, canInterface);
    // The simulated drive is made when the link type is first chosen and lives as long as the
    // program, so that closing and opening the link keep what was written.
    const std::filesystem::path source = FsPath(dictionarySourceDir);
    const std::filesystem::path user = FsPath(userDir);
    links_->RegisterFactory(
        link::kLinkTypeSimulated,
        [this, source, user, given]() -> std::unique_ptr<link::LinkObject> {
            if (!given && !builtInDrive_) {
                DictionarySource objects = LoadDictionarySource(source);
                if (objects.objects.empty()) {
                    return nullptr;
                }
                builtInDrive_ =
                    std::make_shared<sim::SimulatedDrive>(objects, sim::BuiltInDriveOptions(user));
            }
            return std::make_unique<sim::SimulatedLinkObject>(given ? given : builtInDrive_);
        });
}

void AppContext::SetMainWindowId(engine::ReceiverId id) {
    mainWindowId_ = id;
    control_->SetMainWindow(id);
}

std::array<int, 5> AppContext::ColumnWidthsFor(int dpi) {
    static constexpr double kFactors[5] = {2.68, 1.2, 1.1, 2.55, 0.5};
    std::array<int, 5> widths{};
    for (std::size_t i = 0; i < widths.size(); ++i) {
        widths[i] = static_cast<int>(std::trunc(dpi * kFactors[i]));
    }
    return widths;
}

void AppContext::SetScreenMetrics(int dpi) {
    dpiX = dpi;
    if (captionsSet) {
        columnWidth = ColumnWidthsFor(dpi);
    }
}

void AppContext::SetColumnCaptions() {
    const int lang = language.load();
    if (lang == kLanguageChinese) {
        columnCaption = {QString::fromUtf8("名称"), QString::fromUtf8("数据"),
                         QString::fromUtf8("单位")};
    } else if (lang == kLanguageEnglish) {
        columnCaption = {"name", "data", "unit"};
    } else {
        return;  // neither language: captions and widths stay unset
    }
    captionsSet = true;
    columnWidth = ColumnWidthsFor(dpiX);
}

}  // namespace morlo::gui
