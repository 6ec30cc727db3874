#pragma once
// A temporary directory removed with everything in it when the test ends.
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace belvanto::testing {

class TempDir {
public:
    TempDir() { EXPECT_TRUE(dir_.isValid()) << "cannot create a temporary directory"; }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

} // namespace belvanto::testing
