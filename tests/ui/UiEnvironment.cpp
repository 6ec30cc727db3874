// One QApplication for every test of this program; gtest_main owns main().
#include "ui/UiSupport.h"
#include <QApplication>
#include <gtest/gtest.h>

namespace {

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QCoreApplication::instance()) app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }
private:
    int argc_ = 1;
    char name_[9] = "tests_ui";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

} // namespace

namespace belvanto::testing {

void RecordingHelp::show(const HelpTopic& topic)
{
    topics << topic.toString();
}

} // namespace belvanto::testing
