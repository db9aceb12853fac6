// Window test helpers: controls found by their object names, as an operator finds them by
// their captions.
#pragma once

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace movexa::test {

// The child of `root` named `name` of type T; fails the test (and returns nullptr) when absent.
template <class T>
T* Control(QObject* root, const char* name) {
  T* found = root ? root->findChild<T*>(QString::fromUtf8(name)) : nullptr;
  EXPECT_NE(found, nullptr) << "no control named " << name;
  return found;
}

// Lets queued events (timers at 0 ms, deferred deletes, repaints) run.
inline void ProcessEvents() { QApplication::processEvents(); }

}  // namespace movexa::test
