// Lists the object dictionary of the working folder the way the program loads it:
// data/TARNEX.dat in the language of sys/sys.ini [sys] lang.

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/Version.h"
#include "common/WorkingFolder.h"
#include "dictionary/ObjectDictionary.h"
#include "profile/Profile.h"

namespace {

class StderrSink : public morlo::MessageSink {
  public:
    void ShowMessage(std::string_view text) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
};

constexpr const char* kUsage =
    "usage: morloservo-dict [--english] [--workdir DIR]\n"
    "       morloservo-dict --help | --version\n"
    "lists every object of the working folder's database: address, data type, attributes,\n"
    "name and unit definition (names in the language of sys/sys.ini, or English)\n";
constexpr int kEnglish = 2;

}  // namespace

int main(int argc, char** argv) {
    bool english = false;
    std::filesystem::path workDir;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("morloservo-dict %s\n", morlo::Version());
            return 0;
        }
        if (argument == "--english") {
            english = true;
        } else if (argument == "--workdir" && i + 1 < argc) {
            workDir = argv[++i];
        } else {
            std::fprintf(stderr, "morloservo-dict: unknown argument '%s'\n%s", argv[i], kUsage);
            return 2;
        }
    }
    const morlo::WorkingFolder chosen =
        morlo::ChooseWorkingFolder(morlo::WorkingFolderRequest::FromEnvironment(workDir, argv[0]));
    if (!chosen) {
        std::fprintf(stderr, "morloservo-dict: %s\n", chosen.problem.c_str());
        return 2;
    }
    const std::filesystem::path& work = chosen.folder;
    const auto sysIni = work / "sys" / "sys.ini";
    int language = morlo::Profile::ReadInt(sysIni, "sys", "lang", 4);
    if (english) {
        language = kEnglish;
    }
    StderrSink sink;
    morlo::ObjectDictionary dictionary;
    if (!dictionary.LoadFile(work / "data" / "TARNEX.dat", language, &sink)) {
        return 1;
    }
    for (int i = 0; i < dictionary.GetCount(); ++i) {
        morlo::DictionaryEntry e;
        dictionary.GetAt(i, e);
        std::printf("%04X:%02X  %-14s %-4s %-40s %s\n", static_cast<unsigned>(e.index), e.subIndex,
                    e.dataType.c_str(), e.attribute.c_str(), e.name.c_str(), e.unitSpec.c_str());
    }
    std::printf("%d objects\n", dictionary.GetCount());
    return 0;
}
