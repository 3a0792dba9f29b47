// One QApplication for every test of this executable, on the offscreen platform unless the
// environment chose one.
#include <QApplication>

#include <gtest/gtest.h>

#include <clocale>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "vexa_qt_tests";
        static char* argv[] = {name, nullptr};
        application_ = new QApplication(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
    }
    void TearDown() override {
        delete application_;
        application_ = nullptr;
    }

private:
    QApplication* application_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
