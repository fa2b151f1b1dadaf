// The moon viewer: its one application object and the entry function.
#include "framework/Main.h"
#include "viewer/MoonApp.h"

namespace {

// Built by static initialisation, before main runs; destroyed at exit, before
// the framework core.
moon::MoonApp theApp;

}  // namespace

int main(int argc, char** argv) {
    return moon::AppMain(argc, argv);
}
