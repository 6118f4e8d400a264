#include "views/sa_file.h"

#include "common/seqfile.h"
#include "common/vb_error.h"

namespace views {

std::string writeSaData(const double* spectrumLeft, const double* spectrumRight) {
    common::SeqWriter writer;
    for (int i = 1; i <= kSaPairs; ++i) {
        writer.writeNumber(spectrumLeft[i]);
        writer.writeNumber(spectrumRight[i]);
    }
    return writer.bytes();
}

int readSaData(std::string_view bytes, double* spectrumLeft, double* spectrumRight) {
    common::SeqReader reader{std::string(bytes)};
    int values = 0;
    try {
        for (int i = 1; i <= kSaPairs; ++i) {
            spectrumLeft[i] = reader.readDouble();
            ++values;
            spectrumRight[i] = reader.readDouble();
            ++values;
        }
    } catch (const common::VbError&) {
        // Past the end of a short file: what was read stays, the rest is kept.
    }
    return values;
}

} // namespace views
