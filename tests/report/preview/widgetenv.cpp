// One windowless widget application for the whole test program.

#include <QApplication>
#include <gtest/gtest.h>

namespace {

class WidgetEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_report_preview";
        static char* argv[] = {name, nullptr};
        m_app = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete m_app;
        m_app = nullptr;
    }

private:
    QApplication* m_app = nullptr;
};

::testing::Environment* const widgetEnvironment = ::testing::AddGlobalTestEnvironment(new WidgetEnvironment);

} // namespace
