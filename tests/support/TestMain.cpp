#include "TestMain.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, TestMain::Run> &tests()
{
    static std::map<std::string, TestMain::Run> all;
    return all;
}

} // namespace

bool TestMain::add(const char *testClass, Run run)
{
    return tests().emplace(testClass, run).second;
}

int main(int argc, char *argv[])
{
    const auto &all = tests();
    if (argc > 1) {
        if (const auto named = all.find(argv[1]); named != all.end()) {
            // The class name is the program's, not Qt Test's.
            std::vector<char *> rest(argv, argv + argc);
            rest.erase(rest.begin() + 1);
            rest.push_back(nullptr);
            return named->second(argc - 1, rest.data());
        }
    }
    if (all.size() == 1) {
        return all.begin()->second(argc, argv);
    }
    std::fprintf(stderr, "usage: %s <test class> [Qt Test arguments]\ntest classes:", argv[0]);
    for (const auto &[name, run] : all) {
        std::fprintf(stderr, " %s", name.c_str());
    }
    std::fprintf(stderr, "\n");
    return 2;
}
