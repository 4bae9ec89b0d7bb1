// Script host on Lua 5.1, keeping the 5.0 behaviour scripts rely on: dofile/dostring hand every
// error to the global "_ALERT", LUA_PATH steers require, and only Lua source is ever loaded
// (a precompiled chunk can crash the interpreter, and statements can come from web pages).
#include "script/ScriptHost.h"

#include "GameInfo.h"
#include "core/Convert.h"
#include "core/Log.h"
#include "platform/PlayerGame.h"

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

const char hostKey = 0;  // address used as the registry key of the owning ScriptHost
const char tracebackKey = 0;  // and of the runs' message handler, made once a VM

const char binaryRefused[] = "refusing precompiled chunk: ";

ScriptHost* hostOf(lua_State* L) {
  lua_pushlightuserdata(L, const_cast<char*>(&hostKey));
  lua_rawget(L, LUA_REGISTRYINDEX);
  auto* host = static_cast<ScriptHost*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  return host;
}

// Loads source text as a chunk, refusing binary chunks. Pushes the function or an error message.
int loadSource(lua_State* L, const char* text, size_t length, const char* chunkName) {
  if (length > 0 && text[0] == LUA_SIGNATURE[0]) {
    lua_pushfstring(L, "%s%s", binaryRefused, chunkName);
    return LUA_ERRSYNTAX;
  }
  return luaL_loadbuffer(L, text, length, chunkName);
}

// Reads a source file for lua_load. Plain C on purpose: these frames run inside Lua calls that
// can longjmp, so nothing on them may have a destructor or throw.
struct SourceFile {
  FILE* file;
  int first;        // the first byte, handed out before the rest; EOF once given
  bool commentOut;  // a leading "#!" line becomes a comment, keeping the line numbers
  char buffer[LUAL_BUFFERSIZE];
};

const char* readSourceFile(lua_State*, void* data, size_t* size) {
  auto* source = static_cast<SourceFile*>(data);
  if (source->commentOut) {
    source->commentOut = false;
    *size = 2;
    return "--";
  }
  if (source->first != EOF) {
    source->buffer[0] = static_cast<char>(source->first);
    source->first = EOF;
    *size = 1;
    return source->buffer;
  }
  *size = std::fread(source->buffer, 1, sizeof source->buffer, source->file);
  return *size > 0 ? source->buffer : nullptr;
}

// Loads a source file; a file that cannot be read gives "cannot read <path>: <reason>". A folder
// opens like a file but fails its first read, so it is refused here too. Every push that could
// raise an error comes while no file is open.
int loadSourceFile(lua_State* L, const char* path) {
  if (ScriptHost* host = hostOf(L))
    host->noteFile(L, path, false);
  lua_pushfstring(L, "@%s", path);
  const char* chunkName = lua_tostring(L, -1);
  SourceFile source;
  source.file = std::fopen(path, "rb");
  source.first = EOF;
  int err = errno;
  int status = LUA_ERRFILE;
  if (source.file) {
    source.first = std::getc(source.file);
    err = errno;
    source.commentOut = source.first == '#';
    if (source.first == LUA_SIGNATURE[0]) {
      status = LUA_ERRSYNTAX;
    } else if (source.first != EOF || !std::ferror(source.file)) {
      // The parser runs protected: a syntax or memory error comes back as a status.
      status = lua_load(L, readSourceFile, &source, chunkName);
      err = errno;
      if (status == 0 && std::ferror(source.file)) {
        lua_pop(L, 1);
        status = LUA_ERRFILE;
      }
    }
    std::fclose(source.file);
  }
  if (status == LUA_ERRFILE)
    lua_pushfstring(L, "cannot read %s: %s", path, std::strerror(err));
  else if (status == LUA_ERRSYNTAX && source.first == LUA_SIGNATURE[0])
    lua_pushfstring(L, "%s%s", binaryRefused, chunkName);
  lua_remove(L, -2);  // the chunk name
  return status;
}

// Replacements for the base library's loaders, so scripts cannot load binary chunks either.
int lua_loadstring(lua_State* L) {
  size_t length;
  const char* text = luaL_checklstring(L, 1, &length);
  const char* name = luaL_optstring(L, 2, text);
  if (loadSource(L, text, length, name) == 0)
    return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

int lua_loadfile(lua_State* L) {
  const char* path = luaL_checkstring(L, 1);
  if (loadSourceFile(L, path) == 0)
    return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

int lua_dofile(lua_State* L) {
  const char* path = luaL_checkstring(L, 1);
  int base = lua_gettop(L);
  if (loadSourceFile(L, path) != 0)
    return lua_error(L);
  lua_call(L, 0, LUA_MULTRET);
  return lua_gettop(L) - base;
}

// io.open, noting the files a VM opens for writing: reload on save leaves a level's own writes
// alone, or a level that writes its own file would load again and again. A write to an installed
// game's file, linked into the player's folder, goes to the player's own copy.
int openNotingWrites(lua_State* L) {
  const int arguments = lua_gettop(L);
  const char* mode = lua_type(L, 2) == LUA_TSTRING ? lua_tostring(L, 2) : "r";
  const bool writing = std::strpbrk(mode, "wa+") != nullptr;
  if (writing && lua_type(L, 1) == LUA_TSTRING)
    platform::ownCopyBeforeWrite(lua_tostring(L, 1), game::installedGame);
  lua_pushvalue(L, lua_upvalueindex(1));
  for (int i = 1; i <= arguments; ++i)
    lua_pushvalue(L, i);
  lua_call(L, arguments, LUA_MULTRET);
  if (writing && lua_toboolean(L, arguments + 1) && lua_type(L, 1) == LUA_TSTRING)
    if (ScriptHost* host = hostOf(L))
      host->noteFile(L, lua_tostring(L, 1), true);
  return lua_gettop(L) - arguments;
}

// load(reader) collects the pieces and goes through loadstring; require's file loader searches
// the global LUA_PATH (falling back to package.path) at every call, as 5.0's require did.
const char prelude[] = R"lua(
local loadstring, loadfile, concat, gmatch, gsub, open, type, error =
      loadstring, loadfile, table.concat, string.gmatch, string.gsub, io.open, type, error
load = function(reader, name)
  local parts = {}
  while true do
    local piece = reader()
    if piece == nil or piece == "" then break end
    parts[#parts + 1] = piece
  end
  return loadstring(concat(parts), name or "=(load)")
end
local preload = package.loaders[1]
package.loaders = { preload, function(name)
  local path = LUA_PATH
  if type(path) ~= "string" then path = package.path end
  local tried = ""
  for template in gmatch(path, "[^;]+") do
    local file = gsub(template, "%?", name)
    local handle = open(file)
    if handle then
      handle:close()
      local chunk, message = loadfile(file)
      if not chunk then error(message, 3) end
      return chunk
    end
    tried = tried .. "\n\tno file '" .. file .. "'"
  end
  return tried
end }
package.loadlib = nil
package.cpath = ""
)lua";

int reportScriptErrorThunk(lua_State* L) {
  const char* text = lua_tostring(L, 1);
  ScriptHost* host = hostOf(L);
  // A finaliser run while a VM closes reports nothing: what would show it may be gone.
  if (!host || host->closing())
    return 0;
  try {
    host->reportScriptError(text ? text : "");
  } catch (const std::exception& e) {
    std::cerr << "error while reporting a script error: " << e.what() << std::endl;
  } catch (...) {
    std::cerr << "error while reporting a script error" << std::endl;
  }
  return 0;
}

// Hands a failed chunk's message to "_ALERT" when it is a function, else to stderr.
void alert(lua_State* L, const char* message) {
  lua_pushstring(L, "_ALERT");
  lua_rawget(L, LUA_GLOBALSINDEX);
  if (lua_isfunction(L, -1)) {
    lua_pushstring(L, message);
    if (lua_pcall(L, 1, 0, 0) != 0) {
      const char* failure = lua_tostring(L, -1);
      std::cerr << "_ALERT failed: " << (failure ? failure : "?") << "\n" << message << std::endl;
      lua_pop(L, 1);
    }
  } else {
    lua_pop(L, 1);
    std::cerr << message << std::endl;
  }
}

// A script that never returns would hang the game. Each run the engine starts, with the runs it
// starts in turn, may execute this many Lua instructions: about eight seconds of the tightest loop
// on a current machine, far more than any level needs at once. A hook counts them in blocks.
const int instructionBlock = 1000000;
const int blockLimit = 5000;  // 5,000 million instructions
int blocksUsed = 0;
int runDepth = 0;

void countInstructions(lua_State* L, lua_Debug*) {
  if (++blocksUsed > blockLimit) {
    // From now on every instruction fails, so a pcall in the script cannot swallow the stop.
    lua_sethook(L, countInstructions, LUA_MASKCOUNT, 1);
    luaL_error(L, "script stopped: it ran %d million instructions without returning", blockLimit);
  }
  if (lua_gethookcount(L) != instructionBlock)  // a coroutine stopped by an earlier run
    lua_sethook(L, countInstructions, LUA_MASKCOUNT, instructionBlock);
}

// A chunk as a game maker knows it: a file by its path in the game folder, a statement by its
// first line.
std::string placeOf(const lua_Debug& frame) {
  std::string place = frame.source ? frame.source : "?";
  if (place[0] == '@') {
    place.erase(0, place.compare(0, 4, "@../") == 0 ? 4 : 1);
  } else if (place[0] == '=') {
    place.erase(0, 1);
  } else {
    const size_t end = std::min(place.find('\n'), size_t{80});
    place = "statement " + place.substr(0, end) + (end < place.size() ? "..." : "");
  }
  return frame.currentline > 0 ? place + ":" + std::to_string(frame.currentline) : place;
}

// The message handler of every run: notes where the error happened, outermost call first, for the
// report that follows, and hands the message on unchanged. Lua's own frames only; the stack is
// read, never grown, so nothing here raises a Lua error.
int tracebackHandler(lua_State* L) {
  ScriptHost* host = hostOf(L);
  if (!host)
    return 1;
  try {
    std::vector<std::string> frames;
    lua_Debug frame;
    for (int level = 1; lua_getstack(L, level, &frame); ++level) {
      if (!lua_getinfo(L, "Snl", &frame) || std::strcmp(frame.what, "C") == 0)
        continue;
      std::string line = placeOf(frame);
      if (frame.name)
        line += std::string(": in function ") + frame.name;
      else if (std::strcmp(frame.what, "main") == 0)
        line += ": in the main chunk";
      frames.insert(frames.begin(), "  " + line);
    }
    host->noteTraceback(std::move(frames));
  } catch (...) {
    host->noteTraceback({});
  }
  return 1;
}

// Calls the function below its nargs arguments in protected mode, within the instruction limit.
int protectedCall(lua_State* L, int nargs, int nresults) {
  if (runDepth == 0)
    blocksUsed = 0;
  lua_sethook(L, countInstructions, LUA_MASKCOUNT, instructionBlock);
  const int handler = lua_gettop(L) - nargs;
  lua_pushlightuserdata(L, const_cast<char*>(&tracebackKey));
  lua_rawget(L, LUA_REGISTRYINDEX);
  lua_insert(L, handler);
  ++runDepth;
  const int status = lua_pcall(L, nargs, nresults, handler);
  --runDepth;
  lua_remove(L, handler);
  if (runDepth == 0 && blocksUsed > blockLimit)
    blocksUsed = 0;  // a maker's own _ALERT gets a fresh allowance to report the stop
  return status;
}

// Runs a loaded chunk (or takes its load failure) and reports any error through "_ALERT".
void callChunk(lua_State* L, int status) {
  if (status == 0)
    status = protectedCall(L, 0, 0);
  if (status != 0) {
    const char* message = lua_tostring(L, -1);
    alert(L, message ? message : "(error object is not a string)");
  }
  if (ScriptHost* host = hostOf(L))
    host->noteTraceback({});  // a traceback no report took belongs to no later one
}

// table name, key -> the field, or nil when the global is no table. Through lua_gettable, so
// the scripts' metamethods take part, and run protected, since they may fail.
int readField(lua_State* L) {
  lua_pushvalue(L, 1);
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (!lua_istable(L, -1)) {
    lua_pushnil(L);
    return 1;
  }
  lua_pushvalue(L, 2);
  lua_gettable(L, -2);
  return 1;
}

void openLibrary(lua_State* L, lua_CFunction open, const char* name) {
  lua_pushcfunction(L, open);
  lua_pushstring(L, name);
  lua_call(L, 1, 0);
}

void setGlobalFunction(lua_State* L, const char* name, lua_CFunction function) {
  lua_pushstring(L, name);
  lua_pushcclosure(L, function, 0);
  lua_settable(L, LUA_GLOBALSINDEX);
}

void setGlobalFunction(lua_State* L, const ScriptFunction& f) {
  lua_pushlstring(L, f.name.data(), f.name.size());
  lua_pushlstring(L, f.name.data(), f.name.size());
  lua_pushlightuserdata(L, f.data);
  lua_pushcclosure(L, f.function, 2);
  lua_settable(L, LUA_GLOBALSINDEX);
}

// Pushes field key of global table; false (stack unchanged) when reading it failed, after the
// error went to "_ALERT".
bool pushField(lua_State* L, const std::string& table, const std::string& key) {
  lua_pushcfunction(L, readField);
  lua_pushlstring(L, table.data(), table.size());
  lua_pushlstring(L, key.data(), key.size());
  if (protectedCall(L, 2, 1) == 0)
    return true;
  const char* message = lua_tostring(L, -1);
  alert(L, message ? message : "(error object is not a string)");
  lua_pop(L, 1);
  return false;
}

}  // namespace

int ScriptVm::memoryKb() const {
  return state ? lua_gc(state, LUA_GCCOUNT, 0) : 0;
}

ScriptHost::ScriptHost(std::vector<ScriptFunction> functions)
    : library(std::move(functions)),
      setup(std::make_unique<ScriptVm>()),
      lua(std::make_unique<ScriptVm>()) {}

ScriptHost::~ScriptHost() {
  closeVm(*lua);
  closeVm(*setup);
}

ScriptVm* ScriptHost::getVm(const std::string& name) {
  if (name == "lua")
    return lua.get();
  if (name == "setup")
    return setup.get();
  core::log("Error! No such Lua VM found: " + name);
  return nullptr;
}

void ScriptHost::openVm(ScriptVm& vm) {
  closeVm(vm);
  lua_State* L = luaL_newstate();
  vm.state = L;
  vm.files.clear();
  vm.written.clear();
  if (!L)
    return;
  openLibrary(L, luaopen_base, "");
  openLibrary(L, luaopen_package, LUA_LOADLIBNAME);
  openLibrary(L, luaopen_io, LUA_IOLIBNAME);
  openLibrary(L, luaopen_os, LUA_OSLIBNAME);
  openLibrary(L, luaopen_string, LUA_STRLIBNAME);
  openLibrary(L, luaopen_math, LUA_MATHLIBNAME);
  openLibrary(L, luaopen_table, LUA_TABLIBNAME);
  setGlobalFunction(L, "loadstring", lua_loadstring);
  setGlobalFunction(L, "loadfile", lua_loadfile);
  setGlobalFunction(L, "dofile", lua_dofile);
  lua_getglobal(L, LUA_IOLIBNAME);
  lua_getfield(L, -1, "open");
  lua_pushcclosure(L, openNotingWrites, 1);
  lua_setfield(L, -2, "open");
  lua_pop(L, 1);
  if (luaL_loadbuffer(L, prelude, sizeof prelude - 1, "=prelude") == 0)
    lua_call(L, 0, 0);

  lua_pushlightuserdata(L, const_cast<char*>(&hostKey));
  lua_pushlightuserdata(L, this);
  lua_rawset(L, LUA_REGISTRYINDEX);
  lua_pushlightuserdata(L, const_cast<char*>(&tracebackKey));
  lua_pushcfunction(L, tracebackHandler);
  lua_rawset(L, LUA_REGISTRYINDEX);

  lua_pushstring(L, "LUA_PATH");
  lua_pushstring(L, "?;?.lua");
  lua_settable(L, LUA_GLOBALSINDEX);
  setGlobalFunction(L, "_ALERT", reportScriptErrorThunk);
  for (const ScriptFunction& f : library)
    setGlobalFunction(L, f);
}

void ScriptHost::closeVm(ScriptVm& vm) {
  lua_State* L = vm.state;
  if (!L)
    return;
  vm.state = nullptr;
  // Finalisers run inside lua_close, against an engine half cleared for the next level or
  // already torn down: the library does nothing for them, and they get one allowance of
  // instructions between them, so an endless one cannot hang the game.
  ++closingVms;
  blocksUsed = 0;
  lua_sethook(L, countInstructions, LUA_MASKCOUNT, instructionBlock);
  lua_close(L);
  if (blocksUsed > blockLimit)
    core::log("A finaliser was stopped while its Lua VM closed: it ran " + std::to_string(blockLimit) +
              " million instructions");
  blocksUsed = 0;
  --closingVms;
}

void ScriptHost::noteFile(lua_State* L, const char* path, bool written) {
  ScriptVm* vm = L == lua->state ? lua.get() : L == setup->state ? setup.get() : nullptr;
  if (!vm)
    return;
  std::vector<std::string>& files = written ? vm->written : vm->files;
  try {
    if (std::find(files.begin(), files.end(), path) == files.end())
      files.push_back(path);
  } catch (...) {
    // Without memory for the name, reload on save does not know the file.
  }
}

std::string ScriptHost::checkFile(const std::string& path) {
  lua_State* L = luaL_newstate();
  if (!L)
    return "no memory to read " + path;
  std::string failure;
  if (loadSourceFile(L, path.c_str()) != 0) {
    const char* message = lua_tostring(L, -1);
    failure = message ? message : "?";
  }
  lua_close(L);
  return failure;
}

void ScriptHost::runFile(ScriptVm& vm, const std::string& path) {
  lua_State* L = vm.state;
  if (!L)
    return;
  int top = lua_gettop(L);
  callChunk(L, loadSourceFile(L, path.c_str()));
  lua_settop(L, top);
}

void ScriptHost::runStatement(ScriptVm& vm, const std::string& statement) {
  lua_State* L = vm.state;
  if (!L)
    return;
  int top = lua_gettop(L);
  callChunk(L, loadSource(L, statement.data(), statement.size(), statement.c_str()));
  lua_settop(L, top);
}

float ScriptHost::getFloat(ScriptVm& vm, const std::string& table, const std::string& key) {
  lua_State* L = vm.state;
  if (!L || !pushField(L, table, key))
    return 0.0f;
  float value = lua_isnumber(L, -1) ? convert::toFloat(lua_tonumber(L, -1)) : 0.0f;
  lua_pop(L, 1);
  return value;
}

std::string ScriptHost::getString(ScriptVm& vm, const std::string& table, const std::string& key) {
  lua_State* L = vm.state;
  if (!L || !pushField(L, table, key))
    return "";
  std::string value;
  if (lua_isstring(L, -1)) {
    size_t length = 0;
    const char* text = lua_tolstring(L, -1, &length);
    value.assign(text, length);
  }
  lua_pop(L, 1);
  return value;
}

std::string ScriptHost::getStringValue(const std::string& vmName, const std::string& table, const std::string& key) {
  ScriptVm* vm = getVm(vmName);
  return vm ? getString(*vm, table, key) : "";
}

std::string ScriptHost::swapExchange(ScriptVm& vm, std::string text) {
  std::swap(vm.exchangeText, text);
  return text;
}

void ScriptHost::setPendingStatement(std::string statement) {
  std::lock_guard<std::mutex> lock(pendingMutex);
  pendingStatement = std::move(statement);
}

std::string ScriptHost::takePendingStatement() {
  std::lock_guard<std::mutex> lock(pendingMutex);
  std::string statement;
  std::swap(statement, pendingStatement);
  return statement;
}

void ScriptHost::reportScriptError(const std::string& message) {
  std::vector<std::string> frames;
  std::swap(frames, traceback);
  core::log("Scripting error");
  core::log(message);
  if (!frames.empty())
    core::log("Traceback, outermost call first:");
  for (const std::string& frame : frames)
    core::log(frame);
  if (errorDisplay)
    errorDisplay(frames.empty() ? message : message + "\nat " + frames.back().substr(2));
}
