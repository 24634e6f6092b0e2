// /corrigir, /desfazer, /sim and /porta on VerificaBD's command line: what goes together and what not.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/Options.h"

namespace {

TEST(RepairOptions, WhatGoesTogether) {
    struct Case {
        std::vector<std::string> arguments;
        std::string error;  // empty: accepted
    };
    const Case cases[] = {
        {{"/servidor", "PC\\SQLEXPRESS", "/CORRIGIR", "-porta", "1433", "/sim"}, ""},
        {{"/desfazer", "/sim"}, ""},
        {{"/corrigir", "/desfazer"}, "Dê /corrigir ou /desfazer, não os dois."},
        {{"/porta", "1433"}, "/porta só serve com /corrigir."},
        {{"/desfazer", "/porta", "1433"}, "/porta só serve com /corrigir."},
        {{"/sim"}, "/sim só serve com /corrigir ou /desfazer."},
        {{"/corrigir", "/porta"}, "/porta precisa de um número de 1 a 65535, dado uma vez."},
        {{"/corrigir", "/porta", "0"}, "/porta precisa de um número de 1 a 65535, dado uma vez."},
        {{"/corrigir", "/porta", "65536"}, "/porta precisa de um número de 1 a 65535, dado uma vez."},
        {{"/corrigir", "/porta", "14x3"}, "/porta precisa de um número de 1 a 65535, dado uma vez."},
        {{"/corrigir", "/porta", "1", "/porta", "2"}, "/porta precisa de um número de 1 a 65535, dado uma vez."},
    };
    for (const Case& c : cases) {
        const checker::ParsedOptions parsed = checker::ParseOptions(c.arguments);
        EXPECT_EQ(parsed.error, c.error) << c.arguments.front() << " " << c.arguments.size();
    }
    const checker::Options o = checker::ParseOptions(cases[0].arguments).options;
    EXPECT_TRUE(o.repair && o.yesToAll && !o.undo);
    EXPECT_EQ(o.port, 1433);
    EXPECT_EQ(o.server, "PC\\SQLEXPRESS");
}

}  // namespace
