// The script host: the two named Lua VMs ("setup" and "lua"), running files and statements with
// every error routed to the global "_ALERT", and reading values back out of a VM's tables.
// Lua is C and raises errors with longjmp: nothing here lets a Lua error cross a C++ frame.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct lua_State;
typedef int (*lua_CFunction)(lua_State*);

// One script function: its global name and the C function behind it. It is registered as a
// closure with two upvalues, the name and the data pointer, so one C function can serve many.
struct ScriptFunction {
  std::string name;
  lua_CFunction function;
  void* data = nullptr;
};

// One virtual machine; its state is null while closed. The host opens and closes it.
class ScriptVm {
public:
  ScriptVm() = default;
  ScriptVm(const ScriptVm&) = delete;
  ScriptVm& operator=(const ScriptVm&) = delete;

  // The VM's heap, 0 when it is closed.
  int memoryKb() const;

  lua_State* state = nullptr;
  std::string exchangeText;
  std::vector<std::string> files;  // the source files loaded into it since it opened, as named
  std::vector<std::string> written;  // the files its scripts opened for writing since then  // read and replaced only through ScriptHost::swapExchange
};

class ScriptHost {
public:
  // Called with each script error message after it is logged (the on-screen error panel).
  using ErrorDisplayFn = std::function<void(const std::string&)>;

  explicit ScriptHost(std::vector<ScriptFunction> library);
  ~ScriptHost();  // destroys the "lua" VM, then the "setup" VM

  ScriptVm& setupVm() { return *setup; }
  ScriptVm& luaVm() { return *lua; }
  // "lua" or "setup", matched exactly; anything else logs and yields null.
  ScriptVm* getVm(const std::string& name);

  void openVm(ScriptVm& vm);
  void closeVm(ScriptVm& vm);
  // True while a VM closes and its finalisers run: the script functions then do nothing.
  bool closing() const { return closingVms > 0; }
  void runFile(ScriptVm& vm, const std::string& path);
  // Empty when the file compiles; else the error, with where it is. Runs nothing.
  std::string checkFile(const std::string& path);
  // Every source file a VM loads is noted in its files, every file it opens for writing in written.
  void noteFile(lua_State* L, const char* path, bool written);
  void runStatement(ScriptVm& vm, const std::string& statement);

  // Field key of the global table; 0 / "" when absent. The Lua stack is left as it was.
  float getFloat(ScriptVm& vm, const std::string& table, const std::string& key);
  std::string getString(ScriptVm& vm, const std::string& table, const std::string& key);
  std::string getStringValue(const std::string& vmName, const std::string& table, const std::string& key);

  std::string swapExchange(ScriptVm& vm, std::string text);

  // The one deferred statement for the "lua" VM. Any thread may set it; the main loop takes it.
  void setPendingStatement(std::string statement);
  std::string takePendingStatement();

  void setErrorDisplay(ErrorDisplayFn display) { errorDisplay = std::move(display); }

  // The body of "_ALERT": logs the two lines and the traceback of the error, if one was noted,
  // and shows the panel with the innermost place.
  void reportScriptError(const std::string& message);
  // Where the error being reported happened, one line a Lua frame, outermost first.
  void noteTraceback(std::vector<std::string> frames) { traceback = std::move(frames); }

private:
  std::vector<ScriptFunction> library;
  ErrorDisplayFn errorDisplay;
  std::unique_ptr<ScriptVm> setup;
  std::unique_ptr<ScriptVm> lua;
  int closingVms = 0;
  std::vector<std::string> traceback;
  std::mutex pendingMutex;
  std::string pendingStatement;
};
