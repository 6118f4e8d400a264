#pragma once
// The program's file dialog filters: "Description|*.ext;|Other|*.*" — pairs
// of a description and its patterns separated by "|", the patterns of one
// pair separated by ";" (a trailing ";" or "|" is allowed). A pattern "*.*"
// means every file, as it always has on the program's home system.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FileFilter {
    std::string description;           // without surrounding blanks, may be empty
    std::vector<std::string> patterns; // never empty
};

// Splits a filter string into its choices. A description without patterns
// gets "*.*"; empty patterns and pairs with neither description nor pattern
// (a trailing "|") are dropped, a blank description with patterns stays. An empty
// string gives no choices.
std::vector<FileFilter> parseFileFilter(std::string_view filter);

// The choice as a Qt name filter, "Description (*.atp *.dfl)": a
// parenthesised pattern list already at the end of the description is
// replaced by the real patterns, "*.*" becomes "*" and a blank description
// shows the patterns alone.
std::string qtNameFilter(const FileFilter& choice);
std::vector<std::string> qtNameFilters(std::string_view filter);

// Whether a file name (without directory) matches one of the patterns: "*"
// and "?" wildcards, letter case ignored, "*.*" matches every name.
bool matchesFileFilter(const FileFilter& choice, std::string_view fileName);

// The extension of the first pattern of the form "*.ext" ("atp"), or "" when
// the choice has none ("*.*", "*").
std::string defaultExtension(const FileFilter& choice);

} // namespace platform
