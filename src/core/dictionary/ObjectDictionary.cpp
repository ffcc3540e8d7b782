#include "dictionary/ObjectDictionary.h"

#include <array>
#include <fstream>
#include <system_error>

#include "dictionary/DatabaseLayout.h"
#include "profile/FileAccess.h"
#include "profile/Profile.h"
#include "text/Encoding.h"
#include "text/NumberText.h"

namespace morlo {
namespace {

// A field's text ends at its first NUL or at the field's end.
std::string FieldText(const char* data, std::size_t size) {
    std::size_t length = 0;
    while (length < size && data[length] != '\0') {
        ++length;
    }
    return Gb18030ToUtf8(std::string_view(data, length));
}

// Reads exactly size bytes; false on a short read.
bool ReadField(std::ifstream& in, char* buffer, std::size_t size) {
    in.read(buffer, static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount()) == size;
}

// Waits on a stop-aware condition; false when stop was requested.
bool SleepUnlessStopped(std::stop_token stop, std::chrono::milliseconds duration) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    cv.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

DatabaseProblem ProblemOfFile(FileProblem problem) {
    switch (problem) {
        case FileProblem::None:
            return DatabaseProblem::None;
        case FileProblem::Missing:
            return DatabaseProblem::Missing;
        case FileProblem::NotAFile:
            return DatabaseProblem::NotAFile;
        case FileProblem::Unreadable:
            break;
    }
    return DatabaseProblem::Unreadable;
}

}  // namespace

std::string DescribeDatabaseLoad(const std::filesystem::path& path, const DatabaseLoad& load) {
    const std::string name = PathUtf8(path);
    const std::string loaded = " (" + std::to_string(load.objects) + " objects loaded)";
    switch (load.problem) {
        case DatabaseProblem::None:
            return name + ": " + std::to_string(load.objects) + " objects";
        case DatabaseProblem::Missing:
            return DescribeFileProblem(path, FileProblem::Missing);
        case DatabaseProblem::NotAFile:
            return DescribeFileProblem(path, FileProblem::NotAFile);
        case DatabaseProblem::Unreadable:
            return DescribeFileProblem(path, FileProblem::Unreadable) + loaded;
        case DatabaseProblem::PartialRecord: {
            std::error_code ec;
            const std::uintmax_t size = std::filesystem::file_size(path, ec);
            return name + ": its size (" + std::to_string(size) + " bytes) is no whole number of " +
                   std::to_string(database::kRecordSize) +
                   "-byte records; the file is cut short or is no object database" + loaded;
        }
        case DatabaseProblem::NoObjects:
            return name + ": no object in it; the file is empty or is no object database";
    }
    return name;
}

ObjectDictionary::~ObjectDictionary() {
    if (loadThread_.joinable()) {
        loadThread_.request_stop();
        loadThread_.join();
    }
}

void ObjectDictionary::StartLoad(LoadSettings settings) {
    if (loadThread_.joinable()) {
        return;
    }
    try {
        loadThread_ =
            std::jthread([this, settings = std::move(settings)](std::stop_token stop) mutable {
                RunLoadThread(stop, std::move(settings));
            });
    } catch (const std::system_error&) {
        if (settings.messages) {
            settings.messages->ShowMessage(kMsgLoadThreadFailed);
        }
        MarkLoaded();
    }
}

void ObjectDictionary::RunLoadThread(std::stop_token stop, LoadSettings settings) {
    std::string languageText;
    while (true) {
        languageText = settings.readLanguageText ? settings.readLanguageText() : std::string();
        if (!languageText.empty()) {
            break;
        }
        if (!SleepUnlessStopped(stop, settings.languageRetry)) {
            MarkLoaded();
            return;
        }
    }
    int language = Profile::NumberOf(languageText);
    if (settings.language) {
        settings.language->store(language);
        while (settings.language->load() == database::kLanguageBeingChosen) {
            if (!SleepUnlessStopped(stop, settings.languagePoll)) {
                MarkLoaded();
                return;
            }
        }
        language = settings.language->load();
    }
    LoadFile(settings.databasePath, language, settings.messages);
}

DatabaseLoad ObjectDictionary::LoadFile(const std::filesystem::path& path, int language,
                                        MessageSink* messages) {
    DatabaseLoad load;
    try {
        load = ReadRecords(path, language);
    } catch (const std::exception&) {
        load.problem = DatabaseProblem::Unreadable;  // the stream library failed part way
    }
    if (!load && messages) {
        messages->ShowMessage(kMsgDatabaseUnreadable);
    }
    MarkLoaded();
    return load;
}

DatabaseLoad ObjectDictionary::ReadRecords(const std::filesystem::path& path, int language) {
    using namespace database;
    DatabaseLoad load;
    load.problem = ProblemOfFile(CheckReadable(path));
    if (load.problem != DatabaseProblem::None) {
        return load;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        load.problem = DatabaseProblem::Unreadable;
        return load;
    }
    const bool chinese = language == kLanguageChinese;
    std::array<char, kHelpChinese.size> help{};
    std::array<char, kNameChinese.size> name{};
    std::array<char, kDataType.size> dataType{};
    std::array<char, kAttribute.size> attribute{};
    std::array<char, kUnitSpec.size> unitSpec{};
    std::array<char, kIndex.size> indexDigits{};
    std::array<char, kSubIndex.size> subDigits{};

    while (true) {
        if (!ReadField(in, indexDigits.data(), indexDigits.size())) {
            break;
        }
        std::int32_t index =
            ParseHexLoose(std::string_view(indexDigits.data(), indexDigits.size()));
        if (index == 0) {
            break;
        }
        if (!ReadField(in, subDigits.data(), subDigits.size())) {
            break;
        }
        std::int32_t sub = ParseHexLoose(std::string_view(subDigits.data(), subDigits.size()));

        DictionaryEntry entry;
        entry.index = index;
        entry.subIndex = static_cast<std::uint8_t>(sub);
        entry.key = static_cast<ObjectKey>((static_cast<std::uint32_t>(index) << 8) |
                                           static_cast<std::uint32_t>(entry.subIndex));
        // Fields in file order; the other language's name and help are skipped.
        bool complete = true;
        for (int part = 0; part < 2 && complete; ++part) {
            name.fill('\0');
            complete = ReadField(in, name.data(), name.size());
            if (complete && (part == 0) == chinese) {
                entry.name = FieldText(name.data(), name.size());
            }
        }
        dataType.fill('\0');
        attribute.fill('\0');
        complete = complete && ReadField(in, dataType.data(), dataType.size()) &&
                   ReadField(in, attribute.data(), attribute.size());
        for (int part = 0; part < 2 && complete; ++part) {
            help.fill('\0');
            complete = ReadField(in, help.data(), help.size());
            if (complete && (part == 0) == chinese) {
                entry.help = FieldText(help.data(), help.size());
            }
        }
        unitSpec.fill('\0');
        complete = complete && ReadField(in, unitSpec.data(), unitSpec.size());
        if (!complete) {
            break;
        }
        entry.dataType = FieldText(dataType.data(), dataType.size());
        entry.attribute = FieldText(attribute.data(), attribute.size());
        entry.unitSpec = FieldText(unitSpec.data(), unitSpec.size());
        Append(std::move(entry));
        ++load.objects;
    }
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (in.bad()) {
        load.problem = DatabaseProblem::Unreadable;
    } else if (!ec && size % kRecordSize != 0) {
        load.problem = DatabaseProblem::PartialRecord;
    } else if (load.objects == 0) {
        load.problem = DatabaseProblem::NoObjects;
    }
    return load;
}

void ObjectDictionary::Append(DictionaryEntry entry) {
    std::unique_lock lock(mutex_);
    firstByKey_.try_emplace(entry.key, entries_.size());  // first of equal keys wins
    entries_.push_back(std::move(entry));
}

void ObjectDictionary::MarkLoaded() {
    {
        std::lock_guard lock(loadedMutex_);
        loaded_ = true;
    }
    loadedChanged_.notify_all();
}

bool ObjectDictionary::FindByKey(ObjectKey key, DictionaryEntry& out) const {
    std::shared_lock lock(mutex_);
    auto it = firstByKey_.find(key);
    if (it == firstByKey_.end()) {
        return false;
    }
    out = entries_[it->second];
    return true;
}

bool ObjectDictionary::GetAt(int position, DictionaryEntry& out) const {
    std::shared_lock lock(mutex_);
    if (position < 0 || static_cast<std::size_t>(position) >= entries_.size()) {
        return false;
    }
    out = entries_[static_cast<std::size_t>(position)];
    return true;
}

int ObjectDictionary::GetCount() const {
    std::shared_lock lock(mutex_);
    return static_cast<int>(entries_.size());
}

bool ObjectDictionary::WaitUntilLoaded(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(loadedMutex_);
    return loadedChanged_.wait_for(lock, timeout, [this] { return loaded_; });
}

bool ObjectDictionary::IsLoaded() const {
    std::lock_guard lock(loadedMutex_);
    return loaded_;
}

void ObjectDictionary::SetProjectWritePath(std::filesystem::path path) {
    std::unique_lock lock(mutex_);
    projectWritePath_ = std::move(path);
}

void ObjectDictionary::SetProjectReadPath(std::filesystem::path path) {
    std::unique_lock lock(mutex_);
    projectReadPath_ = std::move(path);
}

std::filesystem::path ObjectDictionary::ProjectWritePath() const {
    std::shared_lock lock(mutex_);
    return projectWritePath_;
}

std::filesystem::path ObjectDictionary::ProjectReadPath() const {
    std::shared_lock lock(mutex_);
    return projectReadPath_;
}

}  // namespace morlo
