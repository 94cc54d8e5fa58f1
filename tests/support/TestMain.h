#pragma once

#include <QTest>

// A test program may hold several Qt Test classes. Each CTest test runs one class in a process of
// its own: "<program> <TestClass> [Qt Test arguments]"; a program with a single class also runs it
// without the name. QTEST_MAIN, QTEST_GUILESS_MAIN and QTEST_APPLESS_MAIN keep their meaning (the
// application object, initMain()), but register the class instead of defining main(), which
// TestMain.cpp defines once for every program.
namespace TestMain {
using Run = int (*)(int argc, char *argv[]);
bool add(const char *testClass, Run run);
} // namespace TestMain

#undef QTEST_MAIN_WRAPPER
#define QTEST_MAIN_WRAPPER(TestObject, ...)                                                                            \
    static int kestrixRunTest##TestObject(int argc, char *argv[])                                                      \
    {                                                                                                                  \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                                             \
        __VA_ARGS__                                                                                                    \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }                                                                                                                  \
    [[maybe_unused]] static const bool kestrixTestAdded##TestObject =                                                  \
        TestMain::add(#TestObject, &kestrixRunTest##TestObject);
