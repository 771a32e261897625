// The display check run before the toolkit starts, against real sockets.
#include "app/display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <cstring>

namespace {

// A local socket that accepts connections for as long as it lives.
class Listener {
  public:
    explicit Listener(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
              ::listen(fd_, 4) == 0;
    }
    ~Listener() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return ok_; }

  private:
    int fd_ = -1;
    bool ok_ = false;
};

class DisplayCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        env.x11SocketDir = dir.path().toStdString();
        env.runtimeDir = dir.path().toStdString();
    }
    QTemporaryDir dir;
    app::DisplayEnvironment env;
};

}  // namespace

TEST_F(DisplayCheck, NoDisplayAtAllGivesOneLineThatSaysWhatToDo) {
    const std::string text = app::displayProblem(env);
    EXPECT_NE(text.find("no display found"), std::string::npos);
    EXPECT_NE(text.find("QT_QPA_PLATFORM=offscreen"), std::string::npos);
    EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST_F(DisplayCheck, ANamedDisplayThatDoesNotAnswerIsNoDisplay) {
    env.x11Display = ":93";
    EXPECT_NE(app::displayProblem(env).find("DISPLAY=:93 does not answer"), std::string::npos);
    env.x11Display = ":93.0";
    EXPECT_FALSE(app::displayProblem(env).empty());
    env.x11Display = "garbage";
    EXPECT_FALSE(app::displayProblem(env).empty());
    env.qpaPlatform = "xcb";  // asking for X explicitly does not help
    EXPECT_FALSE(app::displayProblem(env).empty());
}

TEST_F(DisplayCheck, ADisplayThatAnswersOnItsSocketIsUsed) {
    Listener x(env.x11SocketDir + "/X93");
    ASSERT_TRUE(x.ok());
    env.x11Display = ":93";
    EXPECT_EQ(app::displayProblem(env), "");
    env.x11Display = "unix:93.0";
    EXPECT_EQ(app::displayProblem(env), "");
    env.qpaPlatform = "wayland";  // but not when another platform is demanded
    EXPECT_FALSE(app::displayProblem(env).empty());
}

TEST_F(DisplayCheck, WaylandSocketsAndPlatformsWithoutADesktop) {
    Listener w(env.runtimeDir + "/wayland-7");
    ASSERT_TRUE(w.ok());
    env.waylandDisplay = "wayland-7";
    EXPECT_EQ(app::displayProblem(env), "");
    env.waylandDisplay = "wayland-8";
    EXPECT_FALSE(app::displayProblem(env).empty());
    env.qpaPlatform = "offscreen";
    EXPECT_EQ(app::displayProblem(env), "");
    // A display on another host is left for the toolkit to reach.
    env.qpaPlatform.clear();
    env.x11Display = "remotehost:10.0";
    EXPECT_EQ(app::displayProblem(env), "");
}
