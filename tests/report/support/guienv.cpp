// One windowless graphical application for the whole test program: fonts and
// painting on images need it.

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "ostrand-tests";
        static char* argv[] = {name, nullptr};
        m_app = new QGuiApplication(argc, argv);
    }
    void TearDown() override {
        delete m_app;
        m_app = nullptr;
    }

private:
    QGuiApplication* m_app = nullptr;
};

::testing::Environment* const guiEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace
