// Random tables through the Alt clean-up: the result must be the table with exactly the Alt key-down
// rows removed that stand below the last key-up row and below row 2, every other row kept in order.
#include "FuzzCheck.h"

#include "record/AltCleanup.h"
#include "script/ScriptTable.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace
{

using Row = std::pair<QByteArray, QByteArray>;

// Texts near the ones the clean-up looks for, so that the interesting rows are common.
constexpr std::array<const char *, 12> kActions = {
    "KeyDown()", "KeyUp()", "Move()",           "",           "LDown()", "xKeyUp()y", "KeyDown",
    "keyup()",   "KeyUp",   "KeyDown()KeyUp()", "aKeyDown()", "MUp()",
};
constexpr std::array<const char *, 10> kParameters = {
    "VK_MENU;56;300", "VK_MENU;32824;1", "VK_A;30;10", "100;200;16",    "",
    "vk_menu;56;1",   "VK_MEN;56;1",     "xVK_MENUx",  "VK_LMENU;56;2", ";86;120",
};

QByteArray pick(FuzzedDataProvider &input, const char *const *texts, std::size_t count)
{
    // Now and then a free text, so substrings in unusual places come up as well.
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0)
        return QByteArray::fromStdString(input.ConsumeRandomLengthString(24));
    return QByteArray(texts[input.ConsumeIntegralInRange<std::size_t>(0, count - 1)]);
}

bool isAltKeyDown(const Row &row)
{
    return row.first.contains("KeyDown()") && row.second.contains("VK_MENU");
}

std::vector<Row> rowsOf(const ScriptTable &table)
{
    std::vector<Row> rows;
    for (int row = 1; row < table.rows(); ++row)
        rows.emplace_back(table.action(row).toByteArray(), table.parameters(row).toByteArray());
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    ScriptTable table;
    const int actionRows = input.ConsumeIntegralInRange<int>(1, 64);
    for (int i = 0; i < actionRows; ++i) {
        const QByteArray action = pick(input, kActions.data(), kActions.size());
        const QByteArray parameters = pick(input, kParameters.data(), kParameters.size());
        table.appendToLastRow(action, parameters);
    }
    // Sometimes without the open row, sometimes with rows rewritten in place.
    if (input.ConsumeBool())
        table.setRows(table.rows() - 1);
    while (input.remaining_bytes() > 0 && input.ConsumeBool()) {
        const int row = input.ConsumeIntegralInRange<int>(1, table.rows() - 1);
        table.setCell(ScriptTable::ActionColumn, row, pick(input, kActions.data(), kActions.size()));
        table.setCell(ScriptTable::ParametersColumn, row, pick(input, kParameters.data(), kParameters.size()));
    }

    const std::vector<Row> before = rowsOf(table);
    cleanUpTrailingModifiers(table, {QByteArrayLiteral("VK_MENU")});
    const std::vector<Row> after = rowsOf(table);

    // Index in `before` (0 = grid row 1) of the last key-up row that the walk can reach, if any.
    std::size_t keptUpTo = std::min<std::size_t>(2, before.size());
    for (std::size_t i = before.size(); i > 2; --i) {
        if (before[i - 1].first.contains("KeyUp()")) {
            keptUpTo = i;
            break;
        }
    }
    std::vector<Row> expected(before.begin(), before.begin() + std::ptrdiff_t(keptUpTo));
    for (std::size_t i = keptUpTo; i < before.size(); ++i) {
        if (!isAltKeyDown(before[i]))
            expected.push_back(before[i]);
    }
    FUZZ_CHECK(after == expected);
    FUZZ_CHECK(table.rows() >= 2);

    // Said the other way round: every row that went was an Alt key-down below the last key-up and row 2.
    std::size_t next = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (next < after.size() && after[next] == before[i]) {
            ++next;
            continue;
        }
        FUZZ_CHECK(i >= keptUpTo && i >= 2 && isAltKeyDown(before[i]));
    }
    FUZZ_CHECK(next == after.size());
    return 0;
}
