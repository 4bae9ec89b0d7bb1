/* Preloaded into the sanitizer build's e2e runs: dlclose leaves every library loaded. Ogre's Root
   unloads the GL render system and with it the whole GL stack (glvnd, Mesa), whose globals still
   hold blocks; unloaded, LeakSanitizer would report those as leaks in "<unknown module>" that no
   suppression can name. */
int dlclose(void* handle) {
  (void)handle;
  return 0;
}
