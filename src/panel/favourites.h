#pragma once
// The five favourite test panels, kept in the favourites file, one quoted
// path per line.

#include <array>
#include <string>
#include <string_view>

namespace panel {

inline constexpr std::string_view kFavouritesFile = "C:\\QEX_ARV1files\\favfiles";
inline constexpr int kFavouriteSlots = 5;

class Favourites {
public:
    // Slots are 1..5; empty when unassigned.
    const std::string& path(int slot) const {
        return paths_.at(static_cast<std::size_t>(slot - 1));
    }
    void setPath(int slot, std::string path) {
        paths_.at(static_cast<std::size_t>(slot - 1)) = std::move(path);
    }

    // ReadFav: errors are ignored; a missing or short file leaves the slots it
    // does not reach as they were.
    void ReadFav();
    // WriteFav: errors are ignored.
    void WriteFav() const;

private:
    std::array<std::string, kFavouriteSlots> paths_;
};

} // namespace panel
