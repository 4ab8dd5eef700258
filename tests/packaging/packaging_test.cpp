// Controllers built outside the tree, as a user would: against an installed
// prefix, and against the Debian packages, which are also checked by
// lintian, installed (for real as root in CI, in a private root otherwise),
// used, and purged without a trace.
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
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string build_dir = build_file("");
const std::string cmake = CMAKE_PROGRAM;
const std::string version = "1.1.0";
const std::string deb_version = version + "-1";

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

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

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

// "x86_64-linux-gnu": the libraries' folder is lib/ and this.
std::string multiarch() {
  static const std::string name = [] {
    std::string text = output_of("gcc -print-multiarch");
    return text.substr(0, text.find('\n'));
  }();
  return name;
}

fs::path library_folder(const fs::path& prefix) { return prefix / "lib" / multiarch(); }

// The installed files a user builds against: a prefix, found by CMake and
// pkg-config on their own when it is /usr.
struct installed {
  fs::path prefix;
  bool system() const { return prefix == "/usr"; }

  std::string pkg_config(const std::string& arguments) const {
    if (system()) return "pkg-config " + arguments;
    return "PKG_CONFIG_PATH=" + in_quotes(library_folder(prefix) / "pkgconfig") +
           " pkg-config --define-variable=prefix=" + in_quotes(prefix) + " " + arguments;
  }
  fs::path example(const std::string& relative) const {
    return prefix / "share/doc/corvan/examples" / relative;
  }
  // The environment of a Python controller on the module of this prefix.
  std::vector<std::string> python_environment() const {
    if (system()) return {};
    return {"PYTHONPATH=" + (prefix / "lib/python3/dist-packages").string(),
            "CORVAN_IOLINK_LIBRARY=" + (library_folder(prefix) / "libcorvan-iolink.so.1").string()};
  }
};

// The outside project, copied from the installed examples, built with CMake.
fs::path build_with_find_package(const installed& tree, const fs::path& work) {
  const fs::path folder = work / "find-package";
  EXPECT_TRUE(succeeds(cmake + " -S " + in_quotes(tree.example("outside")) + " -B " +
                       in_quotes(folder) +
                       (tree.system() ? "" : " -DCMAKE_PREFIX_PATH=" + in_quotes(tree.prefix))));
  EXPECT_TRUE(succeeds(cmake + " --build " + in_quotes(folder)));
  return folder / "my_controller";
}

// The same C++ source, with one g++ line as the docs give it.
fs::path build_with_pkg_config(const installed& tree, const fs::path& work) {
  const fs::path program = work / "pkg-config-controller";
  EXPECT_TRUE(succeeds("g++ -std=c++17 -Wall -Wextra -Werror " +
                       in_quotes(tree.example("outside/my_controller.cpp")) + " $(" +
                       tree.pkg_config("--cflags --libs corvan-iolink") + ") -Wl,-rpath,$(" +
                       tree.pkg_config("--variable=libdir corvan-iolink") + ") -o " +
                       in_quotes(program)));
  return program;
}

// The C example: plain C11, pedantic, and not one warning.
fs::path build_c_example(const installed& tree, const fs::path& work) {
  const fs::path program = work / "c-controller";
  EXPECT_TRUE(succeeds("gcc -std=c11 -Wall -Wextra -pedantic -Werror " +
                       in_quotes(tree.example("c/belt_controller.c")) + " $(" +
                       tree.pkg_config("--cflags --libs corvan-iolink") + ") -Wl,-rpath,$(" +
                       tree.pkg_config("--variable=libdir corvan-iolink") + ") -o " +
                       in_quotes(program)));
  return program;
}

// One run of a simulator with a controller, ended by pid whatever happens.
class session {
 public:
  session(const std::vector<std::string>& environment, const std::string& corvan,
          const std::vector<std::string>& controller) {
    std::vector<std::string> argv = {"/usr/bin/env"};
    argv.insert(argv.end(), environment.begin(), environment.end());
    argv.push_back(corvan);
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
void expect_controller_sees_dc(const std::string& corvan, const std::vector<std::string>& controller,
                               const std::string& name,
                               const std::vector<std::string>& environment = {}) {
  session run(environment, corvan, controller);
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

// The file the dynamic loader takes for the library (ldd's "=> PATH").
fs::path loaded_library(const fs::path& program) {
  for (const auto& line : lines_of(output_of("ldd " + in_quotes(program)))) {
    auto arrow = line.find("libcorvan-iolink.so.1 => ");
    if (arrow == std::string::npos) continue;
    std::string path = line.substr(line.find("=> ") + 3);
    std::error_code ec;
    return fs::canonical(path.substr(0, path.find(" (")), ec);
  }
  return {};
}

// Without a simulator a controller explains itself, after loading the
// library it was built against.
void expect_runs_on_library_of(const fs::path& controller, const installed& tree) {
  ASSERT_TRUE(fs::exists(controller));
  EXPECT_EQ(loaded_library(controller),
            fs::canonical(library_folder(tree.prefix) / "libcorvan-iolink.so.1"));
  run_result r = run_program({controller}, 10);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("no -automemlink"), std::string::npos) << r.err;
}

// Every controller a user can write, built on the installed files: the C
// one and the Python one through a whole run of the installed simulator.
void expect_controllers_build_and_run(const installed& tree, const fs::path& work) {
  expect_runs_on_library_of(build_with_find_package(tree, work), tree);
  expect_runs_on_library_of(build_with_pkg_config(tree, work), tree);
  const std::string corvan = (tree.prefix / "bin/corvan").string();
  expect_controller_sees_dc(corvan, {build_c_example(tree, work)}, "belt_controller");
  expect_controller_sees_dc(corvan, {"/usr/bin/python3", tree.example("python/belt_controller.py")},
                            "belt_controller", tree.python_environment());
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

TEST_F(InstalledTree, HoldsProgramsLibrariesHeadersPackageFilesModuleAndDocs) {
  for (const char* program : {CORVAN_PROGRAMS}) EXPECT_TRUE(fs::exists(prefix / "bin" / program)) << program;
  const fs::path lib = library_folder(prefix);
  EXPECT_EQ(fs::read_symlink(lib / "libcorvan-iolink.so"), "libcorvan-iolink.so.1");
  EXPECT_EQ(fs::read_symlink(lib / "libcorvan-iolink.so.1"), "libcorvan-iolink.so." + version);
  EXPECT_TRUE(fs::is_regular_file(lib / ("libcorvan-iolink.so." + version)));
  EXPECT_TRUE(fs::is_regular_file(lib / "libcorvan-iolink.a"));
  EXPECT_NE(output_of("readelf -d " + in_quotes(lib / ("libcorvan-iolink.so." + version)))
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
  EXPECT_TRUE(fs::exists(prefix / "lib/python3/dist-packages/corvan/__init__.py"));
  for (const char* doc : {"README.md", "docs/scenario-language.md", "examples/demo_controller.cpp",
                          "examples/c/belt_controller.c", "examples/python/belt_controller.py",
                          "examples/outside/CMakeLists.txt", "examples/outside/my_controller.cpp"})
    EXPECT_TRUE(fs::exists(prefix / "share/doc/corvan" / doc)) << doc;
  for (const char* page : {"man1/corvan.1.gz", "man1/corvan-run.1.gz", "man5/corvan-scenario.5.gz",
                           "man5/corvan-chart.5.gz"})
    EXPECT_TRUE(fs::exists(prefix / "share/man" / page)) << page;
}

// The pkg-config file names the prefix given at install time, with plain
// paths: nothing like "pkgconfig/../.." reaches a compiler or a run path.
TEST_F(InstalledTree, PkgConfigGivesPlainPathsUnderTheInstallPrefix) {
  const installed tree{prefix};
  EXPECT_EQ(output_of(tree.pkg_config("--cflags corvan-iolink")),
            "-I" + (prefix / "include/corvan").string() + " \n");
  EXPECT_EQ(read_file(library_folder(prefix) / "pkgconfig/corvan-iolink.pc").rfind("prefix=" + prefix.string() + "\n", 0), 0u);
  EXPECT_EQ(output_of("PKG_CONFIG_PATH=" + in_quotes(library_folder(prefix) / "pkgconfig") +
                      " pkg-config --variable=libdir corvan-iolink"),
            library_folder(prefix).string() + "\n");
}

TEST_F(InstalledTree, ProgramsCarryOurLibrariesInside) {
  int programs = 0;
  for (const auto& entry : fs::directory_iterator(prefix / "bin")) {
    std::string dynamic = output_of("readelf -d " + in_quotes(entry.path()));
    EXPECT_EQ(dynamic.find("libcorvan"), std::string::npos) << entry.path();
    EXPECT_EQ(dynamic.find(build_dir), std::string::npos) << entry.path();
    ++programs;
  }
  EXPECT_EQ(programs, static_cast<int>(std::size({CORVAN_PROGRAMS})));
}

// Started from the prefix, each tool answers --help, and gets as far as its
// own usage check without arguments.
TEST_F(InstalledTree, ToolsStartFromThePrefix) {
  for (const char* tool : {CORVAN_PROGRAMS}) {
    EXPECT_EQ(run_program({prefix / "bin" / tool, "--help"}, 10).status, 0) << tool;
    run_result r = run_program({prefix / "bin" / tool}, 10);
    EXPECT_EQ(r.status, 2) << tool << ": " << r.err;
    EXPECT_EQ(r.err.find("error while loading shared libraries"), std::string::npos) << r.err;
  }
}

TEST_F(InstalledTree, VersionIsTheProjectsInPkgConfigAndCMake) {
  EXPECT_EQ(output_of(installed{prefix}.pkg_config("--modversion corvan-iolink")), version + "\n");
  EXPECT_NE(read_file(library_folder(prefix) / "cmake/corvan/corvanConfigVersion.cmake")
                .find("\"" + version + "\""),
            std::string::npos);
}

// SameMajorVersion: any 1.x request up to the installed one, never 2. One
// project asks for each version in turn, as a C++ project finds the
// multiarch folder.
TEST_F(InstalledTree, PackageAnswersRequestsOfItsMajorVersionOnly) {
  const fs::path project = work.path / "wants";
  fs::create_directories(project);
  std::ofstream(project / "CMakeLists.txt")
      << "cmake_minimum_required(VERSION 3.16)\nproject(wants CXX)\n"
      << "foreach(wanted 1 1.0.0 1.1 " << version << " 1.2 2.0 0.9)\n"
      << "  find_package(corvan ${wanted} QUIET)\n"
      << "  message(STATUS \"wants ${wanted}: ${corvan_FOUND}\")\n"
      << "  unset(corvan_FOUND)\n"
      << "endforeach()\n";
  const std::string out = output_of(cmake + " -S " + in_quotes(project) + " -B " +
                                    in_quotes(project / "b") + " -DCMAKE_PREFIX_PATH=" +
                                    in_quotes(prefix));
  for (const std::string& wanted : std::vector<std::string>{"1", "1.0.0", "1.1", version})
    EXPECT_NE(out.find("wants " + wanted + ": 1\n"), std::string::npos) << out;
  for (const std::string wanted : {"1.2", "2.0", "0.9"})
    EXPECT_NE(out.find("wants " + wanted + ": 0\n"), std::string::npos) << out;
}

TEST_F(InstalledTree, ControllersBuildAndRunOnTheInstalledFiles) {
  expect_controllers_build_and_run(installed{prefix}, work.path);
}

// Every relative link and picture of the installed documentation leads to
// an installed file.
TEST_F(InstalledTree, DocumentationHasNoBrokenLinkOrPicture) {
  const fs::path doc = prefix / "share/doc/corvan";
  run_result r = run_program({"/usr/bin/python3", source_file("tests/packaging/doc_links.py"), doc}, 30);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(" links checked"), std::string::npos) << r.out;
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

// ---------------------------------------------------------------- Debian

const std::string lib_package = "libcorvan-iolink1";
const std::vector<std::string> packages = {"corvan", lib_package, "libcorvan-iolink-dev",
                                           "python3-corvan"};

class DebianPackages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = std::make_unique<temp_folder>();
    made = succeeds(cmake + " -DSETTINGS=" + in_quotes(build_file("packaging/packages.cmake")) +
                    " -DOUT=" + in_quotes(folder->path) + " -P " +
                    in_quotes(source_file("packaging/make_debs.cmake")));
    if (!made) return;
    std::string debs;
    for (const auto& p : packages) debs += " " + in_quotes(deb(p));
    lintian = shell("lintian --info --display-info --pedantic" + debs + " 2>&1", 300).out;
  }
  static void TearDownTestSuite() { folder.reset(); }
  void SetUp() override { ASSERT_TRUE(made); }

  static fs::path deb(const std::string& package) {
    const std::string arch = package == "python3-corvan" ? "all" : host_arch();
    return folder->path / (package + "_" + deb_version + "_" + arch + ".deb");
  }
  static std::string host_arch() {
    std::string arch = output_of("dpkg --print-architecture");
    return arch.substr(0, arch.find('\n'));
  }
  static std::string field(const std::string& package, const std::string& name) {
    std::string value = output_of("dpkg-deb -f " + in_quotes(deb(package)) + " " + name);
    return value.substr(0, value.find_last_not_of('\n') + 1);
  }
  static std::string contents(const std::string& package) {
    return output_of("dpkg-deb -c " + in_quotes(deb(package)));
  }
  static std::string control_file(const std::string& package, const std::string& name) {
    return output_of("dpkg-deb -I " + in_quotes(deb(package)) + " " + name + " 2>/dev/null");
  }

  static std::unique_ptr<temp_folder> folder;
  static ::testing::AssertionResult made;
  static std::string lintian;
  temp_folder work;
};

std::unique_ptr<temp_folder> DebianPackages::folder;
::testing::AssertionResult DebianPackages::made = ::testing::AssertionFailure();
std::string DebianPackages::lintian;

TEST_F(DebianPackages, LintianFindsNoErrorAndNoWarning) {
  ASSERT_NE(lintian.find("I: "), std::string::npos) << "lintian did not run:\n" << lintian;
  for (const auto& package : packages) {
    for (const auto& line : lines_of(lintian)) {
      EXPECT_NE(line.rfind("E: " + package + ":", 0), 0u) << line;
      EXPECT_NE(line.rfind("W: " + package + ":", 0), 0u) << line;
    }
  }
  std::cout << "lintian's remaining notes:\n";
  for (const auto& line : lines_of(lintian))
    if (line.rfind("I: ", 0) == 0 || line.rfind("P: ", 0) == 0) std::cout << "  " << line << "\n";
}

// Each package holds its own files and nothing of another's.
TEST_F(DebianPackages, EachPackageHoldsItsOwnFiles) {
  const std::string lib = "./usr/lib/" + multiarch() + "/";
  struct {
    std::string package;
    std::vector<std::string> has;
    std::vector<std::string> lacks;
  } cases[] = {
      {"corvan",
       {"./usr/share/man/man5/corvan-scenario.5.gz",
        "./usr/share/man/man5/corvan-chart.5.gz", "./usr/share/doc/corvan/README.md",
        "./usr/share/doc/corvan/docs/", "./usr/share/doc/corvan/examples/python/belt_controller.py",
        "./usr/share/doc/corvan/copyright", "./usr/share/doc/corvan/changelog.Debian.gz"},
       {"libcorvan-iolink", "/include/", "dist-packages"}},
      {lib_package,
       {lib + "libcorvan-iolink.so." + version, lib + "libcorvan-iolink.so.1 -> ",
        "./usr/share/doc/" + lib_package + "/copyright",
        "./usr/share/doc/" + lib_package + "/changelog.Debian.gz"},
       {"libcorvan-iolink.so -> ", ".a\n", "/include/", "/bin/", "cmake", "pkgconfig"}},
      {"libcorvan-iolink-dev",
       {lib + "libcorvan-iolink.so -> libcorvan-iolink.so.1", lib + "libcorvan-iolink.a",
        "./usr/include/corvan/iolink/corvan_link.h",
        "./usr/include/corvan/iolink/IOsharemem_client.h", lib + "cmake/corvan/corvanConfig.cmake",
        lib + "cmake/corvan/corvanConfigVersion.cmake", lib + "pkgconfig/corvan-iolink.pc",
        "./usr/share/doc/libcorvan-iolink-dev/copyright"},
       {"IOsharemem_server.h", "libcorvan-iolink.so." + version, "/bin/"}},
      {"python3-corvan",
       {"./usr/lib/python3/dist-packages/corvan/__init__.py",
        "./usr/share/doc/python3-corvan/copyright"},
       {"/bin/", ".so", "__pycache__"}},
  };
  for (const std::string program : {CORVAN_PROGRAMS}) {
    cases[0].has.push_back("./usr/bin/" + program + "\n");
    cases[0].has.push_back("./usr/share/man/man1/" + program + ".1.gz\n");
  }
  for (const auto& c : cases) {
    const std::string list = contents(c.package);
    for (const auto& file : c.has) EXPECT_NE(list.find(file), std::string::npos) << c.package << ": " << file << "\n" << list;
    for (const auto& file : c.lacks) EXPECT_EQ(list.find(file), std::string::npos) << c.package << ": " << file << "\n" << list;
  }
}

TEST_F(DebianPackages, DeclareTheirDependenciesAndFields) {
  struct {
    std::string package;
    std::string architecture;
    std::vector<std::string> depends;
  } cases[] = {
      {"corvan", host_arch(), {"libc6", "libfltk1.3", "libfltk-forms1.3", "libstdc++6"}},
      {lib_package, host_arch(), {"libc6", "libstdc++6"}},
      {"libcorvan-iolink-dev", host_arch(), {lib_package + " (= " + deb_version + ")"}},
      {"python3-corvan", "all", {"python3:any", lib_package + " (>= " + version + ")"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.package);
    EXPECT_EQ(field(c.package, "Version"), deb_version);
    EXPECT_EQ(field(c.package, "Architecture"), c.architecture);
    const std::string depends = field(c.package, "Depends");
    for (const auto& d : c.depends) EXPECT_NE(depends.find(d), std::string::npos) << depends;
    EXPECT_EQ(depends.find("libcorvan-iolink-dev"), std::string::npos) << depends;
    // A maintainer of the form "Name <user@host.domain>", and a long description.
    EXPECT_NE(field(c.package, "Maintainer").find("@"), std::string::npos);
    EXPECT_GE(lines_of(field(c.package, "Description")).size(), 3u);
  }
  EXPECT_EQ(field("corvan", "Depends").find(lib_package), std::string::npos);
  EXPECT_NE(field("corvan", "Recommends").find("xvfb"), std::string::npos);
}

// ldconfig runs once at the end of dpkg's run, by its trigger, never from a
// maintainer script (which would leave the package "rc" after dpkg -r).
TEST_F(DebianPackages, LibraryUsesTheLdconfigTriggerAndNoMaintainerScript) {
  EXPECT_EQ(control_file(lib_package, "triggers"), "activate-noawait ldconfig\n");
  EXPECT_EQ(control_file(lib_package, "shlibs"),
            "libcorvan-iolink 1 " + lib_package + " (>= " + version + ")\n");
  for (const auto& package : packages)
    for (const char* script : {"preinst", "postinst", "prerm", "postrm"})
      EXPECT_EQ(control_file(package, script), "") << package << " " << script;
}

// Installed with dpkg, the packages give everything a user builds against;
// purged, they leave nothing. As root in CI (CI=true) they go into the
// system itself; elsewhere into a private root with a dpkg database of its
// own.
TEST_F(DebianPackages, InstallBuildRunAndPurgeWithoutATrace) {
  const char* ci = getenv("CI");
  const bool into_system = geteuid() == 0 && ci && std::string(ci) == "true";
  fs::path root = work.path / "root";
  std::string dpkg = "dpkg";
  if (into_system) {
    root = "/";
    std::cout << "installing the packages into this system (root, CI=true)\n";
  } else {
    std::cout << "installing the packages into a private root " << root
              << " (the system itself only as root with CI=true)\n";
    fs::create_directories(root / "var/lib/dpkg/info");
    fs::create_directories(root / "var/lib/dpkg/updates");
    std::ofstream(root / "var/lib/dpkg/status");
    dpkg = "dpkg --root=" + in_quotes(root) + " --force-not-root --force-depends"
           " --force-script-chrootless";
  }
  std::string debs, names;
  for (const auto& p : packages) {
    debs += " " + in_quotes(deb(p));
    names += " " + p;
  }
  // Purged whatever happens, so that a failure leaves nothing installed.
  struct purge_at_end {
    std::string command;
    ~purge_at_end() { shell(command); }
  } purge{dpkg + " --purge" + names + " >/dev/null 2>&1"};
  ASSERT_TRUE(succeeds(dpkg + " -i" + debs));
  std::vector<std::string> files;
  for (const auto& p : packages)
    for (const auto& f : lines_of(output_of(dpkg + " -L " + p)))
      if (fs::is_regular_file(root / fs::path(f).relative_path()) ||
          fs::is_symlink(root / fs::path(f).relative_path()))
        files.push_back(f);
  EXPECT_GT(files.size(), 40u);
  for (const auto& p : packages)
    EXPECT_NE(output_of(dpkg + " -s " + p).find("Status: install ok installed"), std::string::npos) << p;
  if (into_system) {
    EXPECT_NE(output_of("ldconfig -p").find("libcorvan-iolink.so.1 "), std::string::npos);
    EXPECT_NE(output_of("man -w corvan-scenario"), "");
  }

  expect_controllers_build_and_run(installed{root / "usr"}, work.path);

  EXPECT_TRUE(succeeds(dpkg + " --purge" + names));
  for (const auto& f : files) EXPECT_FALSE(fs::exists(root / fs::path(f).relative_path())) << f;
  // No line at all, not even "rc" (removed, configuration files left).
  for (const auto& line : lines_of(output_of(dpkg + " -l 2>/dev/null")))
    EXPECT_EQ(line.find("corvan"), std::string::npos) << line;
  if (into_system) {
    EXPECT_EQ(output_of("ldconfig -p").find("libcorvan-iolink"), std::string::npos);
  }
}

}  // namespace
