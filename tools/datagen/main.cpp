// Build-time generator of the working folder's data: the object database from the dictionary
// source, and the 8-bit (GB18030) form of INI files kept as UTF-8 in the repository.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "dictionary/DictionarySource.h"
#include "text/Encoding.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: morloservo-datagen database SOURCE_FOLDER OUTPUT_FILE\n"
                 "       morloservo-datagen transcode UTF8_INPUT GB18030_OUTPUT\n");
    return 2;
}

bool WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    return !ec;
}

int MakeDatabase(const std::filesystem::path& folder, const std::filesystem::path& output) {
    morlo::DictionarySource source = morlo::LoadDictionarySource(folder);
    auto issues = source.issues;
    for (const auto& object : source.objects) {
        auto more = morlo::ValidateSourceObject(object);
        issues.insert(issues.end(), more.begin(), more.end());
    }
    for (const auto& issue : issues) {
        std::fprintf(stderr, "%s:%d: %s\n", issue.file.c_str(), issue.line, issue.text.c_str());
    }
    if (!issues.empty()) {
        return 1;
    }
    if (source.objects.empty()) {
        std::fprintf(stderr, "%s: no objects\n", folder.string().c_str());
        return 1;
    }
    std::string bytes;
    for (const auto& object : source.objects) {
        bytes += morlo::EncodeDatabaseRecord(object);
    }
    if (!WriteWhole(output, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", output.string().c_str());
        return 1;
    }
    std::printf("%zu objects written to %s\n", source.objects.size(), output.string().c_str());
    return 0;
}

int Transcode(const std::filesystem::path& input, const std::filesystem::path& output) {
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", input.string().c_str());
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!WriteWhole(output, morlo::Utf8ToGb18030(text))) {
        std::fprintf(stderr, "cannot write %s\n", output.string().c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        return Usage();
    }
    std::string_view command = argv[1];
    if (command == "database") {
        return MakeDatabase(argv[2], argv[3]);
    }
    if (command == "transcode") {
        return Transcode(argv[2], argv[3]);
    }
    return Usage();
}
