#pragma once

#include <QApplication>
#include <gtest/gtest.h>

// Widgets need one QApplication for the whole test program. It is made when the
// tests start, not when they are only listed, so listing needs no display.
class QtApplication : public ::testing::Environment
{
public:
    void SetUp() override { app_ = new QApplication(argc_, argv_); }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[6] = "tests";
    char *argv_[2] = {name_, nullptr};
    QApplication *app_ = nullptr;
};

inline ::testing::Environment *const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplication);
