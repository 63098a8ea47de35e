#include "SecretServiceStore.h"

#include <libsecret/secret.h>
#include <sys/stat.h>

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

namespace kelvane {
namespace {

constexpr const char* kServiceName = "org.freedesktop.secrets";
constexpr const char* kNoKeyring = "No desktop keyring (Secret Service) is running";
constexpr const char* kStillLocked = "The desktop keyring is locked and was not unlocked";
// A cancelled call still reports back; this long is allowed for that.
constexpr std::chrono::milliseconds kCancelWait{2000};
// How often a waiting call lets the caller's wait function run.
constexpr guint kWaitSlice = 50;

const SecretSchema& MailboxSchema() {
    static const SecretSchema schema = [] {
        SecretSchema made{};
        made.name = "org.kelvane.Mailbox";
        made.flags = SECRET_SCHEMA_NONE;
        made.attributes[0] = {"program", SECRET_SCHEMA_ATTRIBUTE_STRING};
        made.attributes[1] = {"server", SECRET_SCHEMA_ATTRIBUTE_STRING};
        made.attributes[2] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
        made.attributes[3] = {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return made;
    }();
    return schema;
}

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Owned = std::unique_ptr<T, GObjectUnref>;

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using OwnedError = std::unique_ptr<GError, ErrorFree>;

struct ItemsFree {
    void operator()(GList* items) const { g_list_free_full(items, g_object_unref); }
};
using OwnedItems = std::unique_ptr<GList, ItemsFree>;

struct TableUnref {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
using OwnedTable = std::unique_ptr<GHashTable, TableUnref>;

std::string Seconds(std::chrono::milliseconds wait) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(wait).count();
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

// The keyring's failure in plain words. Its own message is kept only where no plainer one
// exists; neither the keyring nor D-Bus puts a secret in one.
SecretStoreError Failure(const GError* error, const std::string& doing) {
    if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED))
        return SecretStoreError(kStillLocked);
    if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_DISCONNECTED) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CLOSED))
        return SecretStoreError(kNoKeyring);
    OwnedError copy(g_error_copy(error));
    if (g_dbus_error_is_remote_error(copy.get())) g_dbus_error_strip_remote_error(copy.get());
    return SecretStoreError("The desktop keyring could not " + doing + ": " + copy->message);
}

// libsecret's service proxy always takes the process's shared session bus connection, which
// ends the whole process should the bus go away. This kind is made on a connection of the
// store's own instead, and never starts a service that is not running.
struct OwnBusService {
    SecretService parent;
};
struct OwnBusServiceClass {
    SecretServiceClass parent_class;
};
G_DEFINE_TYPE(OwnBusService, own_bus_service, SECRET_TYPE_SERVICE)

GObject* OwnBusServiceMade(GType type, guint count, GObjectConstructParam* properties) {
    GObject* made =
        G_OBJECT_CLASS(own_bus_service_parent_class)->constructor(type, count, properties);
    // libsecret's own constructor has just named the service and chosen the shared bus; the
    // "g-connection" given is used instead. (Anything else given would be set twice and leak.)
    g_object_set(made, "g-bus-type", G_BUS_TYPE_NONE, "g-flags",
                 G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START, nullptr);
    return made;
}
void own_bus_service_class_init(OwnBusServiceClass* type) {
    G_OBJECT_CLASS(type)->constructor = OwnBusServiceMade;
}
void own_bus_service_init(OwnBusService*) {}

// One asynchronous call run to its end on the store's own main context, or given up when
// its time is over: a keyring may wait without end on a prompt nobody answers.
class Call {
  public:
    // `wait` (may be empty) is turned every 50 ms while the call waits.
    Call(GMainContext* context, const std::function<void()>& wait)
        : context_(context),
          wait_(wait),
          cancellable_(g_cancellable_new()),
          pending_(new Pending) {}
    ~Call() {
        if (pending_ == nullptr) return;
        if (pending_->result == nullptr) {
            pending_->abandoned = true;  // the late report frees it
            return;
        }
        g_object_unref(pending_->result);
        if (pending_->source != nullptr) g_object_unref(pending_->source);
        delete pending_;
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    GCancellable* cancellable() const { return cancellable_.get(); }
    static void Reported(GObject* source, GAsyncResult* result, gpointer data) {
        auto* pending = static_cast<Pending*>(data);
        if (pending->abandoned) {
            delete pending;
            return;
        }
        pending->source = source == nullptr ? nullptr : G_OBJECT(g_object_ref(source));
        pending->result = G_ASYNC_RESULT(g_object_ref(result));
    }
    gpointer data() const { return pending_; }

    // The call's result once it has reported; throws `late` when `limit` passes first.
    GAsyncResult* Wait(std::chrono::milliseconds limit, const std::string& late) {
        if (RunFor(limit)) return pending_->result;
        g_cancellable_cancel(cancellable_.get());
        RunFor(kCancelWait);
        throw SecretStoreError(late);
    }
    GObject* source() const { return pending_->source; }

  private:
    struct Pending {
        GObject* source = nullptr;
        GAsyncResult* result = nullptr;
        bool abandoned = false;
    };

    bool RunFor(std::chrono::milliseconds limit) {
        bool over = false;
        GSource* timer = g_timeout_source_new(static_cast<guint>(limit.count()));
        g_source_set_callback(
            timer,
            [](gpointer flag) -> gboolean {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_REMOVE;
            },
            &over, nullptr);
        g_source_attach(timer, context_);
        // Wakes the loop so that the caller's window keeps drawing while a prompt is up.
        GSource* tick = g_timeout_source_new(kWaitSlice);
        g_source_set_callback(
            tick, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
        if (wait_) g_source_attach(tick, context_);
        while (pending_->result == nullptr && !over) {
            g_main_context_iteration(context_, TRUE);
            if (wait_) wait_();
        }
        g_source_destroy(tick);
        g_source_unref(tick);
        g_source_destroy(timer);
        g_source_unref(timer);
        return pending_->result != nullptr;
    }

    GMainContext* context_;
    const std::function<void()>& wait_;
    Owned<GCancellable> cancellable_;
    Pending* pending_;
};

// Makes the store's main context the one this thread's asynchronous calls report to.
class ContextInUse {
  public:
    explicit ContextInUse(GMainContext* context) : context_(context) {
        g_main_context_push_thread_default(context_);
    }
    ~ContextInUse() { g_main_context_pop_thread_default(context_); }
    ContextInUse(const ContextInUse&) = delete;
    ContextInUse& operator=(const ContextInUse&) = delete;

  private:
    GMainContext* context_;
};

// The session bus the environment names, without starting one: no X11 autolaunch.
std::string SessionBusAddress() {
    if (const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS"); named && *named) return named;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return {};
    const std::string socket = std::string(runtime) + "/bus";
    struct stat info {};
    if (::stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return {};
    gchar* escaped = g_dbus_address_escape_value(socket.c_str());
    std::string address = std::string("unix:path=") + escaped;
    g_free(escaped);
    return address;
}

OwnedTable Attributes(const SecretKey& key) {
    OwnedTable table(g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free));
    const auto put = [&](const char* name, const std::string& value) {
        g_hash_table_insert(table.get(), g_strdup(name), g_strdup(value.c_str()));
    };
    put("program", "kelvane");
    put("server", key.server);
    put("user", key.user);
    put("kind", key.kind == SecretKind::Password ? "password" : "refresh-token");
    return table;
}

class SecretServiceStore final : public SecretStore {
  public:
    explicit SecretServiceStore(const SecretServiceOptions& options)
        : options_(options), context_(g_main_context_new()) {}
    ~SecretServiceStore() override {
        service_.reset();
        connection_.reset();
        // What they leave to be freed later, and late reports of calls given up, wait here.
        while (g_main_context_iteration(context_, FALSE)) {
        }
        g_main_context_unref(context_);
    }

    bool Available() override {
        std::lock_guard lock(mutex_);
        ContextInUse inUse(context_);
        try {
            return !ServiceOwner().empty();
        } catch (const SecretStoreError&) {
            return false;
        }
    }

    std::optional<std::string> Lookup(const SecretKey& key) override {
        std::lock_guard lock(mutex_);
        ContextInUse inUse(context_);
        OwnedItems items = Search(key);
        if (!items) return std::nullopt;
        auto* item = SECRET_ITEM(items->data);
        Unlock(items.get());
        return LoadSecret(item);
    }

    void Store(const SecretKey& key, const std::string& secret, const std::string& label) override {
        std::lock_guard lock(mutex_);
        ContextInUse inUse(context_);
        SecretService* service = Service();
        OwnedTable attributes = Attributes(key);
        // Copied into memory that is wiped when freed.
        SecretValue* value =
            secret_value_new(secret.data(), static_cast<gssize>(secret.size()), "text/plain");
        Call call(context_, options_.wait);
        secret_service_store(service, &MailboxSchema(), attributes.get(), SECRET_COLLECTION_DEFAULT,
                             label.c_str(), value, call.cancellable(), &Call::Reported,
                             call.data());
        secret_value_unref(value);
        GAsyncResult* result = call.Wait(options_.answerWait, NotAnswered("store the secret"));
        GError* error = nullptr;
        if (!secret_service_store_finish(service, result, &error)) {
            OwnedError owned(error);
            throw Failure(error, "store the secret");
        }
    }

    bool Remove(const SecretKey& key) override {
        std::lock_guard lock(mutex_);
        ContextInUse inUse(context_);
        OwnedItems items = Search(key);
        if (!items) return false;
        Unlock(items.get());
        for (GList* at = items.get(); at != nullptr; at = at->next) Delete(SECRET_ITEM(at->data));
        return true;
    }

  private:
    std::string NotAnswered(const std::string& doing) const {
        return "The desktop keyring did not " + doing + " within " + Seconds(options_.answerWait) +
               "; it may be waiting to be unlocked";
    }

    GDBusConnection* Connection() {
        if (connection_ && !g_dbus_connection_is_closed(connection_.get()))
            return connection_.get();
        service_.reset();
        connection_.reset();
        const std::string address =
            options_.busAddress.empty() ? SessionBusAddress() : options_.busAddress;
        if (address.empty()) throw SecretStoreError(std::string(kNoKeyring) + ": no D-Bus session");
        Call call(context_, options_.wait);
        g_dbus_connection_new_for_address(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, call.cancellable(), &Call::Reported, call.data());
        GAsyncResult* result = call.Wait(options_.reachWait, kNoKeyring);
        GError* error = nullptr;
        GDBusConnection* made = g_dbus_connection_new_for_address_finish(result, &error);
        if (made == nullptr) {
            g_error_free(error);
            throw SecretStoreError(std::string(kNoKeyring) + ": the D-Bus session is not there");
        }
        connection_.reset(made);
        return made;
    }

    // The unique bus name of the running Secret Service; empty when none runs.
    std::string ServiceOwner() {
        GDBusConnection* connection = Connection();
        Call call(context_, options_.wait);
        g_dbus_connection_call(
            connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "GetNameOwner", g_variant_new("(s)", kServiceName), G_VARIANT_TYPE("(s)"),
            G_DBUS_CALL_FLAGS_NONE, static_cast<gint>(options_.reachWait.count()),
            call.cancellable(), &Call::Reported, call.data());
        GAsyncResult* result = call.Wait(options_.reachWait, kNoKeyring);
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(connection, result, &error);
        if (reply == nullptr) {
            OwnedError owned(error);
            if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)) return {};
            throw Failure(error, "be reached");
        }
        const gchar* owner = nullptr;
        g_variant_get(reply, "(&s)", &owner);
        std::string name = owner;
        g_variant_unref(reply);
        return name;
    }

    // A proxy for the running service, made again when another process has taken its name
    // since (the keyring restarted).
    SecretService* Service() {
        const std::string owner = ServiceOwner();
        if (owner.empty()) throw SecretStoreError(kNoKeyring);
        if (service_ && owner == serviceOwner_) return service_.get();
        service_.reset();
        Call call(context_, options_.wait);
        g_async_initable_new_async(own_bus_service_get_type(), G_PRIORITY_DEFAULT,
                                   call.cancellable(), &Call::Reported, call.data(), "g-connection",
                                   connection_.get(), "flags", SECRET_SERVICE_NONE, nullptr);
        GAsyncResult* result = call.Wait(options_.reachWait, kNoKeyring);
        GError* error = nullptr;
        GObject* made =
            g_async_initable_new_finish(G_ASYNC_INITABLE(call.source()), result, &error);
        if (made == nullptr) {
            OwnedError owned(error);
            throw Failure(error, "be reached");
        }
        service_.reset(SECRET_SERVICE(made));
        serviceOwner_ = owner;
        return service_.get();
    }

    // The items kept for `key`, locked ones too; null when there are none.
    OwnedItems Search(const SecretKey& key) {
        SecretService* service = Service();
        OwnedTable attributes = Attributes(key);
        Call call(context_, options_.wait);
        secret_service_search(service, &MailboxSchema(), attributes.get(), SECRET_SEARCH_ALL,
                              call.cancellable(), &Call::Reported, call.data());
        GAsyncResult* result = call.Wait(options_.answerWait, NotAnswered("search"));
        GError* error = nullptr;
        GList* items = secret_service_search_finish(service, result, &error);
        if (error != nullptr) {
            OwnedError owned(error);
            throw Failure(error, "search");
        }
        return OwnedItems(items);
    }

    // Unlocks the locked ones among `items`, through the keyring's own prompt.
    void Unlock(GList* items) {
        GList* locked = nullptr;
        for (GList* at = items; at != nullptr; at = at->next)
            if (secret_item_get_locked(SECRET_ITEM(at->data)))
                locked = g_list_prepend(locked, at->data);
        if (locked == nullptr) return;
        const guint wanted = g_list_length(locked);
        Call call(context_, options_.wait);
        secret_service_unlock(service_.get(), locked, call.cancellable(), &Call::Reported,
                              call.data());
        g_list_free(locked);
        GAsyncResult* result =
            call.Wait(options_.answerWait,
                      std::string(kStillLocked) + " within " + Seconds(options_.answerWait));
        GError* error = nullptr;
        const gint unlocked = secret_service_unlock_finish(service_.get(), result, nullptr, &error);
        if (error != nullptr) {
            OwnedError owned(error);
            throw Failure(error, "be unlocked");
        }
        if (unlocked < static_cast<gint>(wanted)) throw SecretStoreError(kStillLocked);
    }

    std::string LoadSecret(SecretItem* item) {
        Call call(context_, options_.wait);
        secret_item_load_secret(item, call.cancellable(), &Call::Reported, call.data());
        GAsyncResult* result = call.Wait(options_.answerWait, NotAnswered("give the secret"));
        GError* error = nullptr;
        if (!secret_item_load_secret_finish(item, result, &error)) {
            OwnedError owned(error);
            throw Failure(error, "give the secret");
        }
        SecretValue* value = secret_item_get_secret(item);
        if (value == nullptr) throw SecretStoreError(kStillLocked);
        gsize length = 0;
        const gchar* bytes = secret_value_get(value, &length);
        std::string secret(bytes, length);
        secret_value_unref(value);
        return secret;
    }

    void Delete(SecretItem* item) {
        Call call(context_, options_.wait);
        secret_item_delete(item, call.cancellable(), &Call::Reported, call.data());
        GAsyncResult* result = call.Wait(options_.answerWait, NotAnswered("remove the secret"));
        GError* error = nullptr;
        if (!secret_item_delete_finish(item, result, &error)) {
            OwnedError owned(error);
            throw Failure(error, "remove the secret");
        }
    }

    const SecretServiceOptions options_;
    std::mutex mutex_;  // one call at a time owns the main context
    GMainContext* context_;
    Owned<GDBusConnection> connection_;
    Owned<SecretService> service_;
    std::string serviceOwner_;
};

}  // namespace

std::unique_ptr<SecretStore> MakeSecretServiceStore(const SecretServiceOptions& options) {
    return std::make_unique<SecretServiceStore>(options);
}

std::unique_ptr<SecretStore> MakeDesktopSecretStore(std::function<void()> wait) {
    SecretServiceOptions options;
    options.wait = std::move(wait);
    return MakeSecretServiceStore(options);
}

}  // namespace kelvane
