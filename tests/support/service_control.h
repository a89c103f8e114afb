#pragma once
// The stand-in Tirna service that the service-backed tests run against: it listens
// on the port of the build's service origin (started by a CTest fixture) and is
// set up and read back through its control endpoints, which it never journals.

#include <optional>
#include <string>
#include <vector>

#include "tests/support/form_fields.h"
#include "tests/support/json.h"

struct HttpReply {
    int status = 0;
    std::string body;
};

// One HTTP request to the service; nothing when no complete reply came.
std::optional<HttpReply> ServiceRequest(const std::string& method, const std::string& target,
                                        const std::string& body = "");

// Forgets every account, profile, device, journal entry and queued fault.
bool ResetService();

struct SeededProfile {
    int id = 0;
    std::string name;
};

struct SeededAccount {
    int userId = 0;
    std::string digest;  // as the program computes it from the password
    std::vector<SeededProfile> profiles;
};

// Creates a parent account with these child profiles; nothing when the service refused.
std::optional<SeededAccount> SeedAccount(const std::string& userName, const std::string& password,
                                         const std::vector<std::string>& profiles = {});

// One request the service received, as it read it.
struct ServiceRequestRecord {
    std::string action;                    // empty for anything but a service post
    FormFields fields;                     // in the order of the body, values as UTF-8
    std::vector<std::string> headerLines;  // as they arrived
    std::string reply;                     // the reply body as sent
};

// Every request since the last reset, in order of arrival.
std::vector<ServiceRequestRecord> ServiceJournal();
std::vector<std::string> Actions(const std::vector<ServiceRequestRecord>& journal);

// Accounts with their profiles and devices, and the devices of no account.
std::optional<JsonValue> ServiceState();

// Queues faults for the next requests (a JSON object or array, see the service's help).
bool QueueFaults(const std::string& json);
