#include "views/limits.h"

#include "common/read_error.h"
#include "common/text.h"
#include "common/vb_error.h"
#include "editor/table_file.h"

#include <algorithm>
#include <cmath>

namespace views {

namespace {

float clampY(float y) {
    return std::clamp(y, 0.0f, 400.0f);
}

} // namespace

void drawLimitCurve(GraphSurface& surface, const common::LimitTable& limits,
                    const LimitCurveGeometry& g, PlotX& plotX, SegmentY& segY) {
    const int count = std::min<int>(limits.limitCount, common::kMaxRows);
    std::array<double, common::kTableSize> yLower{}, yUpper{};
    const double span = g.scales.scaleSpan;
    const double top = g.scales.scaleTopDrawn;
    for (int i = 1; i <= count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const auto prev = static_cast<std::size_t>(i > 1 ? i - 1 : i);
        if (g.thdSweep) {
            yLower[k] = limits.limitLower[k];
            yUpper[k] = limits.limitUpper[k];
        } else {
            yLower[k] = -10.0 * limits.limitLower[k];
            yUpper[k] = -10.0 * limits.limitUpper[k];
        }
        if (g.linearAxis) {
            if (auto x = linearFrequencyX(limits.limitFreq[k], g.startHz, g.stopHz)) plotX[k] = *x;
        } else {
            logFrequencyX(limits.limitFreq[k], plotX[k]);
        }
        if (span != 0) {
            const double values[4] = {yLower[prev], yUpper[prev], yLower[k], yUpper[k]};
            if (g.thdSweep) {
                // The percent axis has no place for 0 % or below: the segment
                // keeps the y values it had.
                if (std::all_of(std::begin(values), std::end(values),
                                [](double v) { return v > 0; }))
                    for (int j = 0; j < 4; ++j)
                        segY[static_cast<std::size_t>(j)] = static_cast<float>(percentY(values[j]));
            } else {
                for (int j = 0; j < 4; ++j)
                    segY[static_cast<std::size_t>(j)] =
                        static_cast<float>(values[j] * (40 / span) + (40 / span) * top * 10);
            }
        }
        for (float& y : segY)
            y = clampY(y);
        surface.setPenWidth(1);
        if (i > 1) {
            surface.line(plotX[prev], segY[0], plotX[k], segY[2], kLimitColour);
            surface.line(plotX[prev], segY[1], plotX[k], segY[3], kLimitColour);
        }
    }
}

LimitVerdict judgePoint(const common::LimitTable& limits, int k, float left, float right) {
    LimitVerdict verdict;
    if (k < 1 || k > limits.limitCount || k > common::kMaxRows) return verdict;
    verdict.judged = true;
    const auto row = static_cast<std::size_t>(k);
    auto fails = [&](float value) {
        float v = value;
        try {
            v = common::leadingSingle(common::shortestText(value));
        } catch (const common::VbError&) {
        }
        return v < limits.limitLower[row] || v > limits.limitUpper[row];
    };
    verdict.leftFails = fails(left);
    verdict.rightFails = fails(right);
    return verdict;
}

std::string loadReverseCal(std::string_view programPath, common::ReverseCalTable& cal) {
    editor::TableFile table;
    try {
        editor::readTableFile(programPath, table);
    } catch (const common::VbError& e) {
        return common::fileErrorText(programPath, e);
    }
    editor::toReverseCal(table, cal);
    return {};
}

} // namespace views
