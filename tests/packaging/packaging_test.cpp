// Controllers built outside the tree, as a user would: against an installed
// prefix, against the Debian package unpacked anywhere, and in Python on the
// built shared library; each driven through the real simulator.
#include <gtest/gtest.h>

#include "tests/support/process.h"
#include "tests/support/xwin.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string build_dir = build_file("");
const std::string cmake = CMAKE_PROGRAM;
const std::string cpack = CPACK_PROGRAM;

std::string in_quotes(const fs::path& path) { return "'" + path.string() + "'"; }

run_result shell(const std::string& command, double timeout_s = 120) {
  return run_program({"/bin/sh", "-c", command}, timeout_s);
}

// Runs a command that must succeed; its output goes into the failure message.
::testing::AssertionResult succeeds(const std::string& command) {
  run_result r = shell(command);
  if (r.status == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << command << "\nstatus " << r.status << "\n"
                                       << r.out << r.err;
}

std::string output_of(const std::string& command) { return shell(command).out; }

// A fresh folder, removed with everything in it at the end.
class temp_folder {
 public:
  temp_folder() {
    std::string pattern = fs::temp_directory_path() / "corvan-packaging-XXXXXX";
    path = mkdtemp(pattern.data()) ? pattern : "";
  }
  ~temp_folder() {
    if (!path.empty()) fs::remove_all(path);
  }
  temp_folder(const temp_folder&) = delete;
  temp_folder& operator=(const temp_folder&) = delete;

  fs::path path;
};

// The folder of the shared library under a prefix: lib/ or a multiarch one.
fs::path library_folder(const fs::path& prefix) {
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(prefix, ec))
    if (entry.path().filename() == "libcorvan-iolink.so.1") return entry.path().parent_path();
  return {};
}

std::string with_pkg_config(const fs::path& prefix, const std::string& command) {
  return "export PKG_CONFIG_PATH=" + in_quotes(library_folder(prefix) / "pkgconfig") + "; " + command;
}

fs::path installed_example(const fs::path& prefix, const std::string& relative) {
  return prefix / "share/doc/corvan/examples" / relative;
}

// The outside project, copied from the installed examples, built with CMake.
fs::path build_with_find_package(const fs::path& prefix, const fs::path& work) {
  const fs::path folder = work / "find-package";
  EXPECT_TRUE(succeeds(cmake + " -S " + in_quotes(installed_example(prefix, "outside")) + " -B " +
                       in_quotes(folder) + " -DCMAKE_PREFIX_PATH=" + in_quotes(prefix)));
  EXPECT_TRUE(succeeds(cmake + " --build " + in_quotes(folder)));
  return folder / "my_controller";
}

// The same C++ source, with one g++ line as the README gives it.
fs::path build_with_pkg_config(const fs::path& prefix, const fs::path& work) {
  const fs::path program = work / "pkg-config-controller";
  EXPECT_TRUE(succeeds(with_pkg_config(
      prefix, "g++ -std=c++17 -Wall -Wextra -Werror " +
                  in_quotes(installed_example(prefix, "outside/my_controller.cpp")) +
                  " $(pkg-config --cflags --libs corvan-iolink)"
                  " -Wl,-rpath,$(pkg-config --variable=libdir corvan-iolink) -o " +
                  in_quotes(program))));
  return program;
}

// The C example: plain C11, pedantic, and not one warning.
fs::path build_c_example(const fs::path& prefix, const fs::path& work) {
  const fs::path program = work / "c-controller";
  EXPECT_TRUE(succeeds(with_pkg_config(
      prefix, "gcc -std=c11 -Wall -Wextra -pedantic -Werror " +
                  in_quotes(installed_example(prefix, "c/belt_controller.c")) +
                  " $(pkg-config --cflags --libs corvan-iolink)"
                  " -Wl,-rpath,$(pkg-config --variable=libdir corvan-iolink) -o " +
                  in_quotes(program))));
  return program;
}

// One run of a simulator with a controller, ended by pid whatever happens.
class session {
 public:
  session(const std::string& corvan, const std::vector<std::string>& controller) {
    std::vector<std::string> argv = {corvan};
    argv.insert(argv.end(), controller.begin(), controller.end());
    pid = spawn_program(argv, "", err_file);
    window = wait_for_window("atelier", 20);
  }
  ~session() {
    if (pid > 0 && wait_for_exit(pid, 0) == -1) {
      kill(pid, SIGKILL);
      wait_for_exit(pid, 5);
    }
    unlink(err_file.c_str());
  }
  session(const session&) = delete;
  session& operator=(const session&) = delete;

  std::string err() const { return read_file(err_file); }
  bool err_has(const std::string& text, double timeout_s) const {
    return wait_until([&] { return err().find(text) != std::string::npos; }, timeout_s);
  }
  void hold_button(int x, int y) {
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
            std::to_string(y) + " mousedown 1");
  }
  void release_button() { xdotool("mouseup 1"); }
  void click_quit() {
    xdotool("mousemove --window " + std::to_string(window) + " 860 525 click 1");
  }

  std::string err_file = temp_path("corvan-err");
  pid_t pid = -1;
  unsigned long window = 0;
};

// Holding "DC" must reach the controller (it reports the press and starts
// the belt); "quit" ends the run and the controller sees the end.
void expect_controller_sees_dc(const std::string& corvan,
                               const std::vector<std::string>& controller,
                               const std::string& name) {
  session run(corvan, controller);
  ASSERT_NE(run.window, 0u) << run.err();
  ASSERT_TRUE(run.err_has("ident_mem=", 20)) << run.err();
  EXPECT_EQ(run.err().find(name + ": dc=1"), std::string::npos) << "before any press";
  run.hold_button(755, 90);
  EXPECT_TRUE(run.err_has(name + ": dc=1, main belt on", 20)) << run.err();
  run.release_button();
  run.click_quit();
  EXPECT_EQ(wait_for_exit(run.pid, 20), 0) << run.err();
  EXPECT_TRUE(run.err_has(name + ": end of the exchange", 10)) << run.err();
}

// ---------------------------------------------------------------- install

class InstalledTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = std::make_unique<temp_folder>();
    prefix = folder->path / "prefix";
    install_ok = succeeds(cmake + " --install " + in_quotes(build_dir) + " --prefix " + in_quotes(prefix));
  }
  static void TearDownTestSuite() { folder.reset(); }
  void SetUp() override { ASSERT_TRUE(install_ok); }

  static std::unique_ptr<temp_folder> folder;
  static fs::path prefix;
  static ::testing::AssertionResult install_ok;
  temp_folder work;
};

std::unique_ptr<temp_folder> InstalledTree::folder;
fs::path InstalledTree::prefix;
::testing::AssertionResult InstalledTree::install_ok = ::testing::AssertionFailure();

TEST_F(InstalledTree, HoldsProgramLibrariesHeadersPackageFilesAndDocs) {
  for (const char* program : {"corvan", "corvan-monitor", "corvan-run", "corvan-grafcet", "corvan-report"})
    EXPECT_TRUE(fs::exists(prefix / "bin" / program)) << program;
  const fs::path lib = library_folder(prefix);
  ASSERT_FALSE(lib.empty());
  EXPECT_EQ(fs::read_symlink(lib / "libcorvan-iolink.so"), "libcorvan-iolink.so.1");
  EXPECT_EQ(fs::read_symlink(lib / "libcorvan-iolink.so.1"), "libcorvan-iolink.so.1.0.0");
  EXPECT_TRUE(fs::is_regular_file(lib / "libcorvan-iolink.so.1.0.0"));
  EXPECT_TRUE(fs::is_regular_file(lib / "libcorvan-iolink.a"));
  EXPECT_NE(output_of("readelf -d " + in_quotes(lib / "libcorvan-iolink.so.1.0.0"))
                .find("Library soname: [libcorvan-iolink.so.1]"),
            std::string::npos);

  // Only what a controller includes; the simulator's side stays inside.
  std::vector<std::string> headers;
  for (const auto& entry : fs::directory_iterator(prefix / "include/corvan/iolink"))
    headers.push_back(entry.path().filename());
  std::sort(headers.begin(), headers.end());
  EXPECT_EQ(headers, (std::vector<std::string>{"IOshare_area.h", "IOsharemem_client.h",
                                               "corvan_link.h", "signals.h"}));

  EXPECT_TRUE(fs::exists(lib / "cmake/corvan/corvanConfig.cmake"));
  EXPECT_TRUE(fs::exists(lib / "cmake/corvan/corvanConfigVersion.cmake"));
  EXPECT_NE(read_file(lib / "pkgconfig/corvan-iolink.pc").find("prefix=${pcfiledir}/"),
            std::string::npos);
  for (const char* doc : {"README.md", "examples/demo_controller.cpp",
                          "examples/c/belt_controller.c", "examples/python/belt_controller.py",
                          "examples/outside/CMakeLists.txt", "examples/outside/my_controller.cpp"})
    EXPECT_TRUE(fs::exists(prefix / "share/doc/corvan" / doc)) << doc;
}

TEST_F(InstalledTree, ProgramsCarryOurLibrariesInside) {
  int programs = 0;
  for (const auto& entry : fs::directory_iterator(prefix / "bin")) {
    std::string dynamic = output_of("readelf -d " + in_quotes(entry.path()));
    EXPECT_EQ(dynamic.find("libcorvan"), std::string::npos) << entry.path();
    EXPECT_EQ(dynamic.find(build_dir), std::string::npos) << entry.path();
    ++programs;
  }
  EXPECT_EQ(programs, 5);
}

// Started from the prefix, each tool gets as far as its own usage check.
TEST_F(InstalledTree, ToolsStartFromThePrefix) {
  EXPECT_EQ(run_program({prefix / "bin/corvan-run", "--help"}, 10).status, 0);
  EXPECT_EQ(run_program({prefix / "bin/corvan-report", "--help"}, 10).status, 0);
  for (const char* tool : {"corvan-monitor", "corvan-grafcet"}) {
    run_result r = run_program({prefix / "bin" / tool}, 10);
    EXPECT_EQ(r.status, 2) << tool << ": " << r.err;
    EXPECT_EQ(r.err.find("error while loading shared libraries"), std::string::npos) << r.err;
  }
}

TEST_F(InstalledTree, VersionIsTheProjectsInPkgConfigAndCMake) {
  EXPECT_EQ(output_of(with_pkg_config(prefix, "pkg-config --modversion corvan-iolink")), "1.0.0\n");
  EXPECT_NE(read_file(library_folder(prefix) / "cmake/corvan/corvanConfigVersion.cmake")
                .find("\"1.0.0\""),
            std::string::npos);
}

// SameMajorVersion: any 1.x request up to the installed one, never 2.
TEST_F(InstalledTree, PackageAnswersRequestsOfItsMajorVersionOnly) {
  auto configures_with = [&](const std::string& version) {
    const fs::path project = work.path / ("wants-" + version);
    fs::create_directories(project);
    std::ofstream(project / "CMakeLists.txt")
        << "cmake_minimum_required(VERSION 3.16)\nproject(wants NONE)\n"
        << "find_package(corvan " << version << " REQUIRED)\n";
    return shell(cmake + " -S " + in_quotes(project) + " -B " + in_quotes(project / "b") +
                 " -DCMAKE_PREFIX_PATH=" + in_quotes(prefix))
               .status == 0;
  };
  EXPECT_TRUE(configures_with("1"));
  EXPECT_TRUE(configures_with("1.0.0"));
  EXPECT_FALSE(configures_with("1.1"));
  EXPECT_FALSE(configures_with("2.0"));
  EXPECT_FALSE(configures_with("0.9"));
}

TEST_F(InstalledTree, FindPackageControllerSeesDc) {
  fs::path controller = build_with_find_package(prefix, work.path);
  ASSERT_TRUE(fs::exists(controller));
  expect_controller_sees_dc(prefix / "bin/corvan", {controller}, "my_controller");
}

TEST_F(InstalledTree, PkgConfigControllerSeesDc) {
  fs::path controller = build_with_pkg_config(prefix, work.path);
  ASSERT_TRUE(fs::exists(controller));
  expect_controller_sees_dc(prefix / "bin/corvan", {controller}, "my_controller");
}

TEST_F(InstalledTree, CExampleSeesDc) {
  fs::path controller = build_c_example(prefix, work.path);
  ASSERT_TRUE(fs::exists(controller));
  expect_controller_sees_dc(prefix / "bin/corvan", {controller}, "belt_controller");
}

// ---------------------------------------------------------------- source

// The exchange library needs no FLTK: configured alone, or pulled into
// someone else's project with add_subdirectory.
TEST(LibrarySource, ConfiguresAndBuildsOnItsOwn) {
  temp_folder work;
  ASSERT_TRUE(succeeds(cmake + " -S " + in_quotes(source_file("iolink")) + " -B " +
                       in_quotes(work.path) + " && " + cmake + " --build " + in_quotes(work.path) +
                       " -j2"));
  EXPECT_TRUE(fs::exists(work.path / "libcorvan-iolink.so.1"));
  EXPECT_TRUE(fs::exists(work.path / "libcorvan-iolink.a"));
  EXPECT_EQ(read_file(work.path / "CMakeCache.txt").find("fltk"), std::string::npos);
}

TEST(LibrarySource, JoinsAnotherProjectWithAddSubdirectory) {
  temp_folder work;
  const fs::path project = work.path / "project";
  fs::create_directories(project);
  fs::copy_file(source_file("examples/outside/my_controller.cpp"), project / "my_controller.cpp");
  std::ofstream(project / "CMakeLists.txt")
      << "cmake_minimum_required(VERSION 3.16)\nproject(mine LANGUAGES CXX)\n"
      << "add_subdirectory(" << source_file("iolink") << " iolink)\n"
      << "add_executable(my_controller my_controller.cpp)\n"
      << "target_link_libraries(my_controller PRIVATE iolink)\n";
  ASSERT_TRUE(succeeds(cmake + " -S " + in_quotes(project) + " -B " +
                       in_quotes(work.path / "b") + " && " + cmake + " --build " +
                       in_quotes(work.path / "b") + " -j2 --target my_controller"));
  run_result r = run_program({work.path / "b/my_controller"}, 10);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no -automemlink"), std::string::npos) << r.err;
}

// ---------------------------------------------------------------- Python

TEST(PythonExample, SeesDcThroughTheBuiltSharedLibrary) {
  expect_controller_sees_dc(build_file("app/corvan"),
                            {source_file("examples/python/belt_controller.py"), "--library",
                             build_file("iolink/libcorvan-iolink.so.1")},
                            "belt_controller");
}

// ---------------------------------------------------------------- Debian

class DebianPackage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = std::make_unique<temp_folder>();
    const std::string arch = output_of("dpkg --print-architecture");
    deb = folder->path / ("corvan_1.0.0_" + arch.substr(0, arch.find('\n')) + ".deb");
    root = folder->path / "unpacked";
    package_ok = succeeds(cpack + " -G DEB -B " + in_quotes(folder->path) + " --config " +
                          in_quotes(build_dir + "/CPackConfig.cmake"));
    if (package_ok) package_ok = succeeds("dpkg-deb -x " + in_quotes(deb) + " " + in_quotes(root));
  }
  static void TearDownTestSuite() { folder.reset(); }
  void SetUp() override { ASSERT_TRUE(package_ok); }

  // Runs a controller built against the unpacked folder: without a
  // simulator it explains itself, after loading the unpacked library.
  static void expect_runs_on_unpacked_library(const fs::path& controller) {
    ASSERT_TRUE(fs::exists(controller));
    EXPECT_NE(output_of("ldd " + in_quotes(controller)).find((root / "usr").string()),
              std::string::npos);
    run_result r = run_program({controller}, 10);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("no -automemlink"), std::string::npos) << r.err;
  }

  static std::unique_ptr<temp_folder> folder;
  static fs::path deb, root;
  static ::testing::AssertionResult package_ok;
  temp_folder work;
};

std::unique_ptr<temp_folder> DebianPackage::folder;
fs::path DebianPackage::deb, DebianPackage::root;
::testing::AssertionResult DebianPackage::package_ok = ::testing::AssertionFailure();

TEST_F(DebianPackage, ListsProgramLibraryHeadersPackageFilesAndDocsUnderUsr) {
  std::string list = output_of("dpkg-deb -c " + in_quotes(deb));
  for (const char* file :
       {"./usr/bin/corvan", "libcorvan-iolink.so.1.0.0", "libcorvan-iolink.so.1 -> ",
        "libcorvan-iolink.so -> ", "libcorvan-iolink.a", "./usr/include/corvan/iolink/corvan_link.h",
        "./usr/include/corvan/iolink/IOsharemem_client.h", "cmake/corvan/corvanConfig.cmake",
        "cmake/corvan/corvanConfigVersion.cmake", "pkgconfig/corvan-iolink.pc",
        "./usr/share/doc/corvan/README.md",
        "./usr/share/doc/corvan/examples/python/belt_controller.py"})
    EXPECT_NE(list.find(file), std::string::npos) << file << "\n" << list;
  EXPECT_EQ(list.find("IOsharemem_server.h"), std::string::npos);
}

TEST_F(DebianPackage, DeclaresItsRunTimeDependencies) {
  std::string depends = output_of("dpkg-deb -f " + in_quotes(deb) + " Depends");
  for (const char* package : {"libc6", "libfltk1.3", "libfltk-forms1.3", "libstdc++6"})
    EXPECT_NE(depends.find(package), std::string::npos) << depends;
  EXPECT_EQ(output_of("dpkg-deb -f " + in_quotes(deb) + " Version"), "1.0.0\n");
  EXPECT_NE(output_of("dpkg-deb -f " + in_quotes(deb) + " Recommends").find("xvfb"),
            std::string::npos);
}

// dpkg itself accepts the package: into a database of its own (unpacked,
// not configured, since its ldconfig call needs a whole system there), and,
// as root, against this machine's packages without changing anything.
TEST_F(DebianPackage, DpkgInstallsIt) {
  const fs::path admin = work.path / "var/lib/dpkg";
  fs::create_directories(admin / "info");
  fs::create_directories(admin / "updates");
  std::ofstream(admin / "status");
  ASSERT_TRUE(succeeds("dpkg --root=" + in_quotes(work.path) +
                       " --force-depends --force-not-root --unpack " + in_quotes(deb)));
  EXPECT_TRUE(fs::exists(work.path / "usr/bin/corvan"));
  EXPECT_NE(output_of("dpkg --root=" + in_quotes(work.path) + " -s corvan").find("Version: 1.0.0"),
            std::string::npos);
  if (geteuid() == 0) {
    EXPECT_TRUE(succeeds("dpkg --dry-run -i " + in_quotes(deb)));
  }
}

TEST_F(DebianPackage, UnpackedAnywhereItBuildsWithFindPackage) {
  expect_runs_on_unpacked_library(build_with_find_package(root / "usr", work.path));
}

TEST_F(DebianPackage, UnpackedAnywhereItBuildsWithPkgConfig) {
  expect_runs_on_unpacked_library(build_with_pkg_config(root / "usr", work.path));
}

}  // namespace
