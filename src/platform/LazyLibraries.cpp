#include "platform/LazyLibraries.h"

#include <QStringList>

#include <dlfcn.h>
#include <type_traits>

namespace {

template <typename Api> struct TLoaded {
  Api api{};
  QString error;
};

// Opens `soname` for good (it is never closed: its threads and handlers may
// outlive any one user) and hands `bind` a resolver; any symbol missing fails
// the whole table.
template <typename Api, typename Bind> TLoaded<Api> load(const char *soname, Bind bind) {
  TLoaded<Api> loaded;
  void *library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    loaded.error = QString::fromLocal8Bit(dlerror());
    return loaded;
  }
  QStringList missing;
  const auto resolve = [&](auto &slot, const char *name) {
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(dlsym(library, name));
    if (!slot)
      missing << QString::fromLatin1(name);
  };
  bind(loaded.api, resolve);
  if (!missing.isEmpty())
    loaded.error = QStringLiteral("%1 lacks %2")
                       .arg(QString::fromLatin1(soname), missing.join(QStringLiteral(", ")));
  return loaded;
}

TLoaded<TCurlApi> loadCurl() {
  TLoaded<TCurlApi> curl = load<TCurlApi>("libcurl.so.4", [](TCurlApi &api, auto resolve) {
    resolve(api.global_init, "curl_global_init");
    resolve(api.easy_init, "curl_easy_init");
    resolve(api.easy_setopt, "curl_easy_setopt");
    resolve(api.easy_getinfo, "curl_easy_getinfo");
    resolve(api.easy_strerror, "curl_easy_strerror");
    resolve(api.easy_cleanup, "curl_easy_cleanup");
    resolve(api.slist_append, "curl_slist_append");
    resolve(api.slist_free_all, "curl_slist_free_all");
    resolve(api.multi_init, "curl_multi_init");
    resolve(api.multi_add_handle, "curl_multi_add_handle");
    resolve(api.multi_remove_handle, "curl_multi_remove_handle");
    resolve(api.multi_perform, "curl_multi_perform");
    resolve(api.multi_poll, "curl_multi_poll");
    resolve(api.multi_info_read, "curl_multi_info_read");
    resolve(api.multi_wakeup, "curl_multi_wakeup");
    resolve(api.multi_cleanup, "curl_multi_cleanup");
  });
  // Never undone: the process keeps downloading until it ends.
  if (curl.error.isEmpty())
    if (const CURLcode code = curl.api.global_init(CURL_GLOBAL_DEFAULT); code != CURLE_OK)
      curl.error = QString::fromUtf8(curl.api.easy_strerror(code));
  return curl;
}

TLoaded<TCanberraApi> loadCanberra() {
  return load<TCanberraApi>("libcanberra.so.0", [](TCanberraApi &api, auto resolve) {
    resolve(api.context_create, "ca_context_create");
    resolve(api.context_destroy, "ca_context_destroy");
    resolve(api.context_change_props, "ca_context_change_props");
    resolve(api.context_play_full, "ca_context_play_full");
    resolve(api.context_cancel, "ca_context_cancel");
    resolve(api.context_playing, "ca_context_playing");
    resolve(api.proplist_create, "ca_proplist_create");
    resolve(api.proplist_sets, "ca_proplist_sets");
    resolve(api.proplist_destroy, "ca_proplist_destroy");
  });
}

template <typename Api> const Api *answer(const TLoaded<Api> &loaded, QString *error) {
  if (error)
    *error = loaded.error;
  return loaded.error.isEmpty() ? &loaded.api : nullptr;
}

} // namespace

const TCurlApi *CurlApi(QString *error) {
  static const TLoaded<TCurlApi> curl = loadCurl();
  return answer(curl, error);
}

const TCanberraApi *CanberraApi(QString *error) {
  static const TLoaded<TCanberraApi> canberra = loadCanberra();
  return answer(canberra, error);
}
