#include "platform/pulse/ServerQueries.h"

namespace tallwick {

namespace {

// What a query's callback fills in before it signals the waiting thread.
template <class Answer>
struct Pending {
    PulseConnection& connection;
    std::optional<Answer> answer;
};

// Waits for `operation` to end; false when it could not be started or the
// connection failed meanwhile.
bool await(PulseConnection& connection, pa_operation* operation) {
    if (!operation) {
        return false;
    }
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
        if (!connection.isReady()) {
            pa_operation_cancel(operation);
            pa_operation_unref(operation);
            return false;
        }
        connection.wait();
    }
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

template <class Answer>
std::optional<Answer> answerOf(Pending<Answer>& pending, pa_operation* operation) {
    if (!await(pending.connection, operation)) {
        return std::nullopt;
    }
    return std::move(pending.answer);
}

}  // namespace

std::optional<ServerDefaults> queryServerDefaults(PulseConnection& connection) {
    Pending<ServerDefaults> pending{connection, std::nullopt};
    auto onInfo = [](pa_context*, const pa_server_info* info, void* p) {
        auto& pending = *static_cast<Pending<ServerDefaults>*>(p);
        if (info) {
            ServerDefaults defaults;
            if (info->default_sink_name) {
                defaults.sink = info->default_sink_name;
            }
            if (info->default_source_name) {
                defaults.source = info->default_source_name;
            }
            pending.answer = std::move(defaults);
        }
        pending.connection.signal();
    };
    return answerOf(pending, pa_context_get_server_info(connection.context(), onInfo, &pending));
}

std::optional<std::vector<std::string>> querySinkNames(PulseConnection& connection) {
    Pending<std::vector<std::string>> pending{connection, std::vector<std::string>{}};
    auto onSink = [](pa_context*, const pa_sink_info* info, int endOfList, void* p) {
        auto& pending = *static_cast<Pending<std::vector<std::string>>*>(p);
        if (endOfList < 0) {
            pending.answer.reset();
        } else if (info && info->name && pending.answer) {
            pending.answer->push_back(info->name);
        }
        if (endOfList != 0) {
            pending.connection.signal();
        }
    };
    return answerOf(pending, pa_context_get_sink_info_list(connection.context(), onSink, &pending));
}

std::optional<std::string> queryMonitorOfSink(PulseConnection& connection,
                                              const std::string& sink) {
    Pending<std::string> pending{connection, std::nullopt};
    auto onSink = [](pa_context*, const pa_sink_info* info, int endOfList, void* p) {
        auto& pending = *static_cast<Pending<std::string>*>(p);
        if (endOfList == 0 && info && info->monitor_source_name) {
            pending.answer = info->monitor_source_name;
        }
        if (endOfList != 0) {
            pending.connection.signal();
        }
    };
    return answerOf(pending, pa_context_get_sink_info_by_name(connection.context(), sink.c_str(),
                                                               onSink, &pending));
}

std::optional<SourceLayout> querySourceLayout(PulseConnection& connection,
                                              const std::string& source) {
    Pending<SourceLayout> pending{connection, std::nullopt};
    auto onSource = [](pa_context*, const pa_source_info* info, int endOfList, void* p) {
        auto& pending = *static_cast<Pending<SourceLayout>*>(p);
        if (endOfList == 0 && info) {
            pending.answer = SourceLayout{info->sample_spec, info->channel_map,
                                          info->monitor_of_sink != PA_INVALID_INDEX};
        }
        if (endOfList != 0) {
            pending.connection.signal();
        }
    };
    return answerOf(pending, pa_context_get_source_info_by_name(connection.context(),
                                                                 source.c_str(), onSource,
                                                                 &pending));
}

}  // namespace tallwick
