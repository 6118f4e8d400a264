// Scripting.FileSystemObject and its TextStream, File, Folder, Files and
// SubFolders objects. Text is Windows-1252: one byte per character.

#include "script/datetime.h"
#include "script/library.h"
#include "script/objects.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace script {

namespace fs = std::filesystem;

std::string FileContext::map(std::string_view scriptPath) const {
    if (mapPath) return mapPath(scriptPath);
    std::string s(scriptPath);
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

namespace {

constexpr int kBadFileMode = 54;
constexpr int kFileNotFound = 53;
constexpr int kFileExists = 58;
constexpr int kPastEnd = 62;
constexpr int kPermissionDenied = 70;
constexpr int kPathNotFound = 76;
constexpr int kForReading = 1, kForWriting = 2, kForAppending = 8;

using Context = std::shared_ptr<const FileContext>;

std::string text(const Variant& v) {
    return library::notNull(v).toString();
}

bool boolArg(std::span<const Variant> a, size_t i, bool fallback) {
    return i < a.size() && !a[i].isEmpty() ? library::notNull(a[i]).toBool() : fallback;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// The path functions work on the text as the script wrote it.
std::string parentName(std::string_view p) {
    size_t end = p.size();
    while (end > 0 && isSeparator(p[end - 1]))
        --end;
    size_t cut = end;
    while (cut > 0 && !isSeparator(p[cut - 1]) && p[cut - 1] != ':')
        --cut;
    if (cut == 0) return "";
    size_t keep = cut;
    while (keep > 1 && isSeparator(p[keep - 1]) && p[keep - 2] != ':')
        --keep;
    return std::string(p.substr(0, keep));
}

std::string fileName(std::string_view p) {
    size_t end = p.size();
    while (end > 0 && isSeparator(p[end - 1]))
        --end;
    size_t start = end;
    while (start > 0 && !isSeparator(p[start - 1]) && p[start - 1] != ':')
        --start;
    return std::string(p.substr(start, end - start));
}

std::string extensionName(std::string_view p) {
    const std::string name = fileName(p);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? "" : name.substr(dot + 1);
}

std::string baseName(std::string_view p) {
    const std::string name = fileName(p);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string buildPath(std::string_view path, std::string_view name) {
    std::string out(path);
    if (!out.empty() && !isSeparator(out.back()) && out.back() != ':' && !name.empty() &&
        !isSeparator(name.front()))
        out += '\\';
    out += name;
    return out;
}

[[noreturn]] void fail(int number) {
    throw ScriptError(number);
}

// Last modification time as a date serial (local time).
Variant modified(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) fail(kFileNotFound);
    std::tm tm{};
    const std::time_t t = st.st_mtime;
    localtime_r(&t, &tm);
    datetime::Parts p{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_hour,        tm.tm_min,     tm.tm_sec};
    return Variant::date(datetime::serialFromParts(p));
}

// Maps a filesystem error to VBScript's number.
int errorNumber(const std::error_code& ec, int fallback) {
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted)
        return kPermissionDenied;
    if (ec == std::errc::no_such_file_or_directory) return fallback;
    if (ec == std::errc::file_exists) return kFileExists;
    return fallback;
}

// Wildcards (* and ?) in the last part of a path, as DeleteFile and CopyFile take them.
bool matches(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || std::tolower(static_cast<unsigned char>(pattern[p])) ==
                                      std::tolower(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// The files (or folders) that a path with wildcards names; throws `missing` when none.
std::vector<fs::path> expand(const std::string& real, bool folders, int missing) {
    const fs::path p(real);
    const std::string pattern = p.filename().string();
    std::vector<fs::path> out;
    if (pattern.find_first_of("*?") == std::string::npos) {
        std::error_code ec;
        const bool ok = folders ? fs::is_directory(p, ec) : fs::is_regular_file(p, ec);
        if (!ok) fail(missing);
        out.push_back(p);
        return out;
    }
    std::error_code ec;
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        const bool isDir = e.is_directory(ec);
        if (isDir == folders && matches(pattern, e.path().filename().string()))
            out.push_back(e.path());
    }
    if (out.empty()) fail(missing);
    return out;
}

// ---- TextStream -----------------------------------------------------------------------

enum StreamMember {
    ReadLine = 1,
    ReadAll,
    Read,
    Skip,
    SkipLine,
    Write,
    WriteLine,
    WriteBlankLines,
    AtEndOfStream,
    AtEndOfLine,
    Line,
    Column,
    Close
};

const MemberTable& streamMembers() {
    static const MemberTable t{
        "ReadLine",        "ReadAll",       "Read",        "Skip", "SkipLine", "Write", "WriteLine",
        "WriteBlankLines", "AtEndOfStream", "AtEndOfLine", "Line", "Column",   "Close"};
    return t;
}

class TextStream : public Object {
public:
    // Reading: the whole file is read at once. Writing and appending: the
    // file is open until Close (or until the last reference goes).
    TextStream(const std::string& real, int mode, bool create) : mode_(mode) {
        std::error_code ec;
        const bool exists = fs::exists(real, ec);
        if (!exists && (mode == kForReading || !create)) {
            std::error_code pe;
            const fs::path parent = fs::path(real).parent_path();
            fail(parent.empty() || fs::is_directory(parent, pe) ? kFileNotFound : kPathNotFound);
        }
        if (exists && fs::is_directory(real, ec)) fail(kPermissionDenied);
        if (mode == kForReading) {
            std::ifstream in(real, std::ios::binary);
            if (!in) fail(kPermissionDenied);
            data_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } else {
            file_ = std::fopen(real.c_str(), mode == kForAppending ? "ab" : "wb");
            if (!file_) {
                std::error_code pe;
                fail(fs::is_directory(fs::path(real).parent_path(), pe) ? kPermissionDenied
                                                                        : kPathNotFound);
            }
        }
    }
    ~TextStream() override { close(); }

    std::string typeName() const override { return "TextStream"; }
    int findMember(std::string_view name) const override { return streamMembers().find(name); }

    Variant invoke(int member, Access access, std::span<const Variant> args) override {
        if (access != Access::Get) throw ScriptError(err::NoSuchMember);
        switch (member) {
        case ReadLine: {
            argCount(args, 0, 0);
            reading();
            if (pos_ >= data_.size()) fail(kPastEnd);
            size_t end = pos_;
            while (end < data_.size() && data_[end] != '\n' && data_[end] != '\r')
                ++end;
            std::string line = data_.substr(pos_, end - pos_);
            pos_ = end;
            skipLineEnd();
            return Variant(std::move(line));
        }
        case ReadAll: {
            argCount(args, 0, 0);
            reading();
            if (pos_ >= data_.size() && !data_.empty()) fail(kPastEnd);
            std::string rest = data_.substr(pos_);
            advance(rest.size());
            return Variant(std::move(rest));
        }
        case Read: {
            argCount(args, 1, 1);
            reading();
            const int32_t n = library::longArg(args[0]);
            library::require(n >= 0);
            if (pos_ >= data_.size() && n > 0) fail(kPastEnd);
            std::string part = data_.substr(pos_, static_cast<size_t>(n));
            advance(part.size());
            return Variant(std::move(part));
        }
        case Skip: {
            argCount(args, 1, 1);
            reading();
            const int32_t n = library::longArg(args[0]);
            library::require(n >= 0);
            advance(std::min(static_cast<size_t>(n), data_.size() - pos_));
            return {};
        }
        case SkipLine:
            argCount(args, 0, 0);
            reading();
            if (pos_ >= data_.size()) fail(kPastEnd);
            while (pos_ < data_.size() && data_[pos_] != '\n' && data_[pos_] != '\r')
                ++pos_;
            skipLineEnd();
            return {};
        case Write:
            argCount(args, 1, 1);
            put(text(args[0]));
            return {};
        case WriteLine:
            argCount(args, 0, 1);
            put((args.empty() ? std::string() : text(args[0])) + "\r\n");
            return {};
        case WriteBlankLines: {
            argCount(args, 1, 1);
            const int32_t n = library::longArg(args[0]);
            library::require(n >= 0);
            std::string lines;
            for (int32_t i = 0; i < n; ++i)
                lines += "\r\n";
            put(lines);
            return {};
        }
        case AtEndOfStream:
            argCount(args, 0, 0);
            reading();
            return Variant(pos_ >= data_.size());
        case AtEndOfLine:
            argCount(args, 0, 0);
            reading();
            return Variant(pos_ >= data_.size() || data_[pos_] == '\r' || data_[pos_] == '\n');
        case Line:
            argCount(args, 0, 0);
            return Variant(line_);
        case Column:
            argCount(args, 0, 0);
            return Variant(column_);
        case Close:
            argCount(args, 0, 0);
            close();
            closed_ = true;
            return {};
        default:
            throw ScriptError(err::NoSuchMember);
        }
    }

private:
    void reading() {
        if (closed_ || mode_ != kForReading) fail(kBadFileMode);
    }
    void put(const std::string& s) {
        if (closed_ || !file_) fail(kBadFileMode);
        if (std::fwrite(s.data(), 1, s.size(), file_) != s.size()) throw ScriptError(57);
        for (char c : s) {
            if (c == '\n') {
                ++line_;
                column_ = 1;
            } else if (c != '\r') {
                ++column_;
            }
        }
    }
    void advance(size_t n) {
        for (size_t i = 0; i < n; ++i, ++pos_) {
            if (data_[pos_] == '\n') {
                ++line_;
                column_ = 1;
            } else if (data_[pos_] != '\r') {
                ++column_;
            }
        }
    }
    void skipLineEnd() {
        if (pos_ < data_.size() && data_[pos_] == '\r') ++pos_;
        if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
        ++line_;
        column_ = 1;
    }
    void close() {
        if (file_) std::fclose(file_);
        file_ = nullptr;
    }

    int mode_;
    std::string data_;
    size_t pos_ = 0;
    std::FILE* file_ = nullptr;
    bool closed_ = false;
    int32_t line_ = 1, column_ = 1;
};

// ---- File, Folder and their collections ------------------------------------------------

class FileObject;
class FolderObject;
Variant makeFile(const Context& c, const std::string& scriptPath);
Variant makeFolder(const Context& c, const std::string& scriptPath);

// Files or SubFolders of a folder, taken when the collection is asked for.
class ItemCollection : public Object {
public:
    ItemCollection(std::vector<Variant> items, std::vector<std::string> names)
        : items_(std::move(items)), names_(std::move(names)) {}
    std::string typeName() const override { return "Files"; }
    int findMember(std::string_view name) const override {
        if (sameName(name, "Count")) return 1;
        if (sameName(name, "Item")) return 2;
        return -1;
    }
    Variant invoke(int member, Access access, std::span<const Variant> args) override {
        if (access != Access::Get) throw ScriptError(err::NoSuchMember);
        if (member == 1) return Variant(static_cast<int32_t>(items_.size()));
        argCount(args, 1, 1);
        const std::string name = text(args[0]);
        for (size_t i = 0; i < names_.size(); ++i)
            if (sameName(names_[i], name)) return items_[i];
        fail(kFileNotFound);
    }
    bool enumerate(std::vector<Variant>& items) override {
        items = items_;
        return true;
    }

private:
    std::vector<Variant> items_;
    std::vector<std::string> names_;
};

enum ItemMember {
    Name = 1,
    Path,
    Size,
    DateLastModified,
    DateCreated,
    ParentFolder,
    Delete,
    Copy,
    Move,
    OpenAsTextStream,
    Files,
    SubFolders,
    IsRootFolder,
    Type,
    Attributes,
    CreateTextFile,
    ShortName,
    ShortPath
};

const MemberTable& itemMembers() {
    static const MemberTable t{
        "Name",         "Path", "Size",       "DateLastModified", "DateCreated", "ParentFolder",
        "Delete",       "Copy", "Move",       "OpenAsTextStream", "Files",       "SubFolders",
        "IsRootFolder", "Type", "Attributes", "CreateTextFile",   "ShortName",   "ShortPath"};
    return t;
}

class FileSystemObject;

// A File or a Folder: a path as the script gave it, and its mapped path.
class ItemObject : public Object {
public:
    ItemObject(Context c, std::string scriptPath, bool folder)
        : context_(std::move(c)), path_(std::move(scriptPath)), folder_(folder) {}
    std::string typeName() const override { return folder_ ? "Folder" : "File"; }
    int findMember(std::string_view name) const override { return itemMembers().find(name); }
    Variant invoke(int member, Access access, std::span<const Variant> args) override;

private:
    std::string real() const { return context_->map(path_); }
    Context context_;
    std::string path_;
    bool folder_;
};

Variant makeFile(const Context& c, const std::string& scriptPath) {
    std::error_code ec;
    if (!fs::is_regular_file(c->map(scriptPath), ec)) fail(kFileNotFound);
    return Variant(make<ItemObject>(c, scriptPath, false));
}

Variant makeFolder(const Context& c, const std::string& scriptPath) {
    std::error_code ec;
    if (!fs::is_directory(c->map(scriptPath), ec)) fail(kPathNotFound);
    return Variant(make<ItemObject>(c, scriptPath, true));
}

uintmax_t folderSize(const fs::path& p) {
    uintmax_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::end(it);
         it.increment(ec))
        if (it->is_regular_file(ec)) total += it->file_size(ec);
    return total;
}

void copyItem(const std::string& from, const std::string& to, bool folder, bool overwrite) {
    std::error_code ec;
    fs::path target(to);
    if (fs::is_directory(target, ec) && (!folder || to.back() == '/'))
        target /= fs::path(from).filename();
    if (!folder && fs::exists(target, ec) && !overwrite) fail(kFileExists);
    if (folder)
        fs::copy(from, target,
                 fs::copy_options::recursive |
                     (overwrite ? fs::copy_options::overwrite_existing : fs::copy_options::none),
                 ec);
    else
        fs::copy_file(from, target, fs::copy_options::overwrite_existing, ec);
    if (ec) fail(errorNumber(ec, kPathNotFound));
}

void moveItem(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::path target(to);
    if (fs::is_directory(target, ec) && to.back() == '/') target /= fs::path(from).filename();
    if (fs::exists(target, ec)) fail(kFileExists);
    fs::rename(from, target, ec);
    if (ec) fail(errorNumber(ec, kPathNotFound));
}

void removeItem(const fs::path& p, bool folder) {
    std::error_code ec;
    if (folder)
        fs::remove_all(p, ec);
    else
        fs::remove(p, ec);
    if (ec) fail(errorNumber(ec, kPermissionDenied));
}

Variant ItemObject::invoke(int member, Access access, std::span<const Variant> args) {
    if (member == kDefaultMember) member = Path;
    if (access != Access::Get) throw ScriptError(err::NoSuchMember);
    const bool method = member == Delete || member == Copy || member == Move ||
                        member == OpenAsTextStream || member == CreateTextFile;
    if (!method) argCount(args, 0, 0);
    const std::string r = real();
    std::error_code ec;
    switch (member) {
    case Name:
        return Variant(fileName(path_));
    case Path:
    case ShortPath:
        return Variant(path_);
    case ShortName:
        return Variant(fileName(path_));
    case Size: {
        const uintmax_t n = folder_ ? folderSize(r) : fs::file_size(r, ec);
        if (ec) fail(kFileNotFound);
        return n <= INT32_MAX ? Variant(static_cast<int32_t>(n)) : Variant(static_cast<double>(n));
    }
    case DateLastModified:
    case DateCreated:
        return modified(r);
    case ParentFolder: {
        const std::string parent = parentName(path_);
        if (parent.empty()) return Variant::nothing();
        return makeFolder(context_, parent);
    }
    case Delete:
        argCount(args, 0, 1);
        removeItem(r, folder_);
        return {};
    case Copy:
        argCount(args, 1, 2);
        copyItem(r, context_->map(text(args[0])), folder_, boolArg(args, 1, true));
        return {};
    case Move:
        argCount(args, 1, 1);
        moveItem(r, context_->map(text(args[0])));
        path_ = text(args[0]);
        return {};
    case OpenAsTextStream: {
        argCount(args, 0, 2);
        if (folder_) throw ScriptError(err::NoSuchMember);
        const int mode =
            args.empty() || args[0].isEmpty() ? kForReading : library::longArg(args[0]);
        library::require(mode == kForReading || mode == kForWriting || mode == kForAppending);
        return Variant(make<TextStream>(r, mode, true));
    }
    case Files:
    case SubFolders: {
        if (!folder_) throw ScriptError(err::NoSuchMember);
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(r, ec))
            if (e.is_directory(ec) == (member == SubFolders))
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        std::vector<Variant> items;
        for (const std::string& n : names)
            items.push_back(
                Variant(make<ItemObject>(context_, buildPath(path_, n), member == SubFolders)));
        return Variant(make<ItemCollection>(std::move(items), std::move(names)));
    }
    case IsRootFolder:
        return Variant(folder_ && parentName(path_).empty());
    case Type:
        return Variant(folder_ ? "File folder" : extensionName(path_) + " File");
    case Attributes:
        return Variant(static_cast<int32_t>(folder_ ? 16 : 32));
    case CreateTextFile: {
        if (!folder_) throw ScriptError(err::NoSuchMember);
        argCount(args, 1, 3);
        const std::string file = context_->map(buildPath(path_, text(args[0])));
        if (fs::exists(file, ec) && !boolArg(args, 1, true)) fail(kFileExists);
        return Variant(make<TextStream>(file, kForWriting, true));
    }
    default:
        throw ScriptError(err::NoSuchMember);
    }
}

// ---- FileSystemObject ------------------------------------------------------------------

enum FsoMember {
    BuildPath = 1,
    GetFileName,
    GetBaseName,
    GetExtensionName,
    GetParentFolderName,
    GetAbsolutePathName,
    FileExists,
    FolderExists,
    CreateFolder,
    DeleteFile,
    DeleteFolder,
    CopyFile,
    MoveFile,
    CopyFolder,
    MoveFolder,
    GetFile,
    GetFolder,
    OpenTextFile,
    CreateTextFileFso,
    GetTempName,
    DriveExists
};

const MemberTable& fsoMembers() {
    static const MemberTable t{"BuildPath",        "GetFileName",         "GetBaseName",
                               "GetExtensionName", "GetParentFolderName", "GetAbsolutePathName",
                               "FileExists",       "FolderExists",        "CreateFolder",
                               "DeleteFile",       "DeleteFolder",        "CopyFile",
                               "MoveFile",         "CopyFolder",          "MoveFolder",
                               "GetFile",          "GetFolder",           "OpenTextFile",
                               "CreateTextFile",   "GetTempName",         "DriveExists"};
    return t;
}

class FileSystemObject : public Object {
public:
    explicit FileSystemObject(Context c) : context_(std::move(c)) {}
    std::string typeName() const override { return "FileSystemObject"; }
    int findMember(std::string_view name) const override { return fsoMembers().find(name); }

    Variant invoke(int member, Access access, std::span<const Variant> args) override {
        if (access != Access::Get) throw ScriptError(err::NoSuchMember);
        std::error_code ec;
        switch (member) {
        case BuildPath:
            argCount(args, 2, 2);
            return Variant(buildPath(text(args[0]), text(args[1])));
        case GetFileName:
            argCount(args, 1, 1);
            return Variant(fileName(text(args[0])));
        case GetBaseName:
            argCount(args, 1, 1);
            return Variant(baseName(text(args[0])));
        case GetExtensionName:
            argCount(args, 1, 1);
            return Variant(extensionName(text(args[0])));
        case GetParentFolderName:
            argCount(args, 1, 1);
            return Variant(parentName(text(args[0])));
        case GetAbsolutePathName: {
            argCount(args, 1, 1);
            const fs::path p = fs::absolute(map(args[0]), ec);
            return Variant(p.lexically_normal().string());
        }
        case FileExists:
            argCount(args, 1, 1);
            return Variant(fs::is_regular_file(map(args[0]), ec));
        case FolderExists:
            argCount(args, 1, 1);
            return Variant(fs::is_directory(map(args[0]), ec));
        case DriveExists:
            argCount(args, 1, 1);
            return Variant(fs::is_directory(map(args[0]), ec));
        case CreateFolder: {
            argCount(args, 1, 1);
            const std::string r = map(args[0]);
            if (fs::exists(r, ec)) fail(kFileExists);
            fs::create_directory(r, ec);
            if (ec) fail(errorNumber(ec, kPathNotFound));
            return makeFolder(context_, text(args[0]));
        }
        case DeleteFile:
        case DeleteFolder: {
            argCount(args, 1, 2);
            const bool folder = member == DeleteFolder;
            for (const fs::path& p :
                 expand(map(args[0]), folder, folder ? kPathNotFound : kFileNotFound))
                removeItem(p, folder);
            return {};
        }
        case CopyFile:
        case CopyFolder: {
            argCount(args, 2, 3);
            const bool folder = member == CopyFolder;
            const std::string to = map(args[1]);
            const auto sources =
                expand(map(args[0]), folder, folder ? kPathNotFound : kFileNotFound);
            for (const fs::path& p : sources)
                copyItem(p.string(), sources.size() > 1 && to.back() != '/' ? to + "/" : to, folder,
                         boolArg(args, 2, true));
            return {};
        }
        case MoveFile:
        case MoveFolder: {
            argCount(args, 2, 2);
            const bool folder = member == MoveFolder;
            const std::string to = map(args[1]);
            const auto sources =
                expand(map(args[0]), folder, folder ? kPathNotFound : kFileNotFound);
            for (const fs::path& p : sources)
                moveItem(p.string(), sources.size() > 1 && to.back() != '/' ? to + "/" : to);
            return {};
        }
        case GetFile:
            argCount(args, 1, 1);
            return makeFile(context_, text(args[0]));
        case GetFolder:
            argCount(args, 1, 1);
            return makeFolder(context_, text(args[0]));
        case OpenTextFile: {
            argCount(args, 1, 4);
            const int mode =
                args.size() > 1 && !args[1].isEmpty() ? library::longArg(args[1]) : kForReading;
            library::require(mode == kForReading || mode == kForWriting || mode == kForAppending);
            // Only Windows-1252 text: TristateFalse (0) or TristateUseDefault (-2).
            const int format =
                args.size() > 3 && !args[3].isEmpty() ? library::longArg(args[3]) : 0;
            library::require(format == 0 || format == -2);
            return Variant(make<TextStream>(map(args[0]), mode, boolArg(args, 2, false)));
        }
        case CreateTextFileFso: {
            argCount(args, 1, 3);
            library::require(!boolArg(args, 2, false)); // no Unicode files
            const std::string r = map(args[0]);
            if (fs::exists(r, ec) && !boolArg(args, 1, true)) fail(kFileExists);
            return Variant(make<TextStream>(r, kForWriting, true));
        }
        case GetTempName: {
            argCount(args, 0, 0);
            static unsigned counter = 0;
            char buf[32];
            std::snprintf(buf, sizeof buf, "rad%05X.tmp", (++counter * 2654435761u) & 0xFFFFF);
            return Variant(std::string(buf));
        }
        default:
            throw ScriptError(err::NoSuchMember);
        }
    }

private:
    std::string map(const Variant& v) const { return context_->map(text(v)); }
    Context context_;
};

} // namespace

Ref<Object> makeFileSystemObject(std::shared_ptr<const FileContext> context) {
    return make<FileSystemObject>(std::move(context));
}

} // namespace script
