#include "panel/favourites.h"

#include "common/seqfile.h"
#include "common/vb_error.h"
#include "platform/files.h"

namespace panel {

void Favourites::ReadFav() {
    try {
        common::SeqReader reader(platform::readFileBytes(kFavouritesFile));
        for (std::string& path : paths_)
            path = reader.readText();
    } catch (const common::VbError&) {
    }
}

void Favourites::WriteFav() const {
    common::SeqWriter writer;
    for (const std::string& path : paths_)
        writer.writeText(path);
    try {
        platform::writeFileAtomic(kFavouritesFile, writer.bytes());
    } catch (const common::VbError&) {
    }
}

} // namespace panel
