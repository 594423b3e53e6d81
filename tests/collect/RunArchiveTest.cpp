#include "collect/RunArchive.h"

#include <gtest/gtest.h>

TEST(RunArchive, IsNamedAfterTheComputerAndTheStartDayWithWhatANameCannotHoldReplaced) {
    const DateTime day = DateTime::FromFields(2019, 4, 5, 0, 0, 0);
    const struct {
        std::wstring computer;
        std::wstring name;
    } cases[] = {
        {L"LIFT-7", L"LIFT-7_2019_04_05.zip"},
        {L"ЛИФТ", L"ЛИФТ_2019_04_05.zip"},
        {L"a\\b/c:d*e?f\"g<h>i|j\x01k", L"a_b_c_d_e_f_g_h_i_j_k_2019_04_05.zip"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArchiveName(c.computer, day), c.name);
}
