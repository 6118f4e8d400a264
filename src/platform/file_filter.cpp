#include "platform/file_filter.h"

#include <cctype>

namespace platform {

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

bool isAllFiles(std::string_view pattern) {
    return pattern == "*.*" || pattern == "*";
}

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Wildcard match with backtracking over the last "*".
bool globMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

std::vector<FileFilter> parseFileFilter(std::string_view filter) {
    std::vector<FileFilter> choices;
    const auto parts = split(filter, '|');
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        FileFilter choice;
        choice.description = std::string(trim(parts[i]));
        if (i + 1 < parts.size()) {
            for (std::string_view pattern : split(parts[i + 1], ';')) {
                pattern = trim(pattern);
                if (!pattern.empty()) choice.patterns.emplace_back(pattern);
            }
        }
        if (choice.patterns.empty()) {
            if (choice.description.empty()) continue; // an empty trailing piece, not a choice
            choice.patterns.emplace_back("*.*");
        }
        choices.push_back(std::move(choice));
    }
    return choices;
}

std::string qtNameFilter(const FileFilter& choice) {
    std::string patterns;
    for (const auto& pattern : choice.patterns) {
        if (!patterns.empty()) patterns += ' ';
        patterns += isAllFiles(pattern) ? std::string("*") : pattern;
    }
    std::string_view description = trim(choice.description);
    if (!description.empty() && description.back() == ')') {
        const auto open = description.rfind('(');
        if (open != std::string_view::npos) description = trim(description.substr(0, open));
    }
    if (description.empty()) return patterns;
    return std::string(description) + " (" + patterns + ")";
}

std::vector<std::string> qtNameFilters(std::string_view filter) {
    std::vector<std::string> result;
    for (const auto& choice : parseFileFilter(filter))
        result.push_back(qtNameFilter(choice));
    return result;
}

bool matchesFileFilter(const FileFilter& choice, std::string_view fileName) {
    for (const auto& pattern : choice.patterns) {
        if (isAllFiles(pattern) || globMatch(pattern, fileName)) return true;
    }
    return false;
}

std::string defaultExtension(const FileFilter& choice) {
    for (const auto& pattern : choice.patterns) {
        if (pattern.size() > 2 && pattern.starts_with("*.") &&
            pattern.find_first_of("*?", 2) == std::string::npos)
            return pattern.substr(2);
    }
    return {};
}

} // namespace platform
