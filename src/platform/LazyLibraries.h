#pragma once

#include <QString>

#include <canberra.h>
#include <curl/curl.h>

// libcurl and libcanberra are opened on first use, not by the loader at start:
// libcurl brings TLS, Kerberos and LDAP with it, libcanberra a sound server's
// client, and a window that has not yet downloaded or played anything needs
// none of it. The tables take their types from the libraries' own headers.

struct TCurlApi {
  decltype(&curl_global_init) global_init;
  decltype(&curl_easy_init) easy_init;
  decltype(&curl_easy_setopt) easy_setopt;
  decltype(&curl_easy_getinfo) easy_getinfo;
  decltype(&curl_easy_strerror) easy_strerror;
  decltype(&curl_easy_cleanup) easy_cleanup;
  decltype(&curl_slist_append) slist_append;
  decltype(&curl_slist_free_all) slist_free_all;
  decltype(&curl_multi_init) multi_init;
  decltype(&curl_multi_add_handle) multi_add_handle;
  decltype(&curl_multi_remove_handle) multi_remove_handle;
  decltype(&curl_multi_perform) multi_perform;
  decltype(&curl_multi_poll) multi_poll;
  decltype(&curl_multi_info_read) multi_info_read;
  decltype(&curl_multi_wakeup) multi_wakeup;
  decltype(&curl_multi_cleanup) multi_cleanup;
};

struct TCanberraApi {
  decltype(&ca_context_create) context_create;
  decltype(&ca_context_destroy) context_destroy;
  decltype(&ca_context_change_props) context_change_props;
  decltype(&ca_context_play_full) context_play_full;
  decltype(&ca_context_cancel) context_cancel;
  decltype(&ca_context_playing) context_playing;
  decltype(&ca_proplist_create) proplist_create;
  decltype(&ca_proplist_sets) proplist_sets;
  decltype(&ca_proplist_destroy) proplist_destroy;
};

// Each library is opened once, whichever thread asks first; libcurl is also
// initialised then. Null when it cannot be, and `error` (if given) says why.
const TCurlApi *CurlApi(QString *error = nullptr);
const TCanberraApi *CanberraApi(QString *error = nullptr);
