// One incoming session of SMB message commands: the state machine (portable).
#include "transport/message_session.h"

#include <algorithm>

#include "transport/netbios_datagram.h"
#include "transport/session_packet.h"
#include "transport/smb_message.h"

using netbios::SessionType;

namespace {

constexpr size_t kRequestLength = 68;  // two scope-free encoded names

// Whether a packet of this type and length may follow in this state; the
// length is judged from the header, before any of the payload is kept.
bool acceptable(uint8_t type, size_t length, bool established) {
    if (type == static_cast<uint8_t>(SessionType::keep_alive)) return length == 0;
    if (!established) return type == static_cast<uint8_t>(SessionType::request);
    return type == static_cast<uint8_t>(SessionType::message) && length > 0 &&
           length <= MessageSession::kMaxPacketLength;
}

}  // namespace

MessageSession::MessageSession(std::string computer,
                               std::function<bool(const SessionMessage&)> deliver)
    : computer_(netbios::canonical_name(computer)), deliver_(std::move(deliver)) {}

void MessageSession::feed(const uint8_t* bytes, size_t length) {
    while (length > 0 && state_ != State::ended) {
        size_t wanted = netbios::kSessionHeaderBytes;
        if (packet_.size() >= wanted) {
            wanted += netbios::decode_session_header(packet_.data(), packet_.size())->length;
        }
        const size_t take = std::min(wanted - packet_.size(), length);
        packet_.insert(packet_.end(), bytes, bytes + take);
        bytes += take;
        length -= take;

        if (packet_.size() == netbios::kSessionHeaderBytes) {
            const auto header = netbios::decode_session_header(packet_.data(), packet_.size());
            const bool established = state_ == State::established;
            if (!header || !acceptable(header->type, header->length, established)) {
                end();
                break;
            }
            if (header->type == static_cast<uint8_t>(SessionType::request) &&
                header->length != kRequestLength) {
                end(netbios::encode_negative_response(netbios::SessionError::unspecified));
                break;
            }
            wanted += header->length;
        }
        if (packet_.size() == wanted) {
            on_packet(packet_[0], packet_.data() + netbios::kSessionHeaderBytes,
                      packet_.size() - netbios::kSessionHeaderBytes);
            packet_.clear();
        }
    }
}

std::vector<uint8_t> MessageSession::take_output() {
    std::vector<uint8_t> out;
    out.swap(output_);
    return out;
}

void MessageSession::end(std::vector<uint8_t> last_words) {
    output_.insert(output_.end(), last_words.begin(), last_words.end());
    state_ = State::ended;
    packet_.clear();
    pending_.reset();
}

void MessageSession::on_packet(uint8_t type, const uint8_t* payload, size_t length) {
    if (type == static_cast<uint8_t>(SessionType::request)) {
        on_request(payload, length);
    } else if (type == static_cast<uint8_t>(SessionType::message)) {
        on_smb(payload, length);
    }
}

void MessageSession::on_request(const uint8_t* payload, size_t length) {
    using netbios::SessionError;
    const auto request = netbios::decode_session_request(payload, length);
    if (!request) {
        end(netbios::encode_negative_response(SessionError::unspecified));
        return;
    }
    const bool our_name =
        !computer_.empty() && netbios::canonical_name(request->called.name) == computer_;
    if (!our_name) {
        end(netbios::encode_negative_response(SessionError::called_name_not_present));
    } else if (request->called.suffix != netbios::kMessengerSuffix) {
        end(netbios::encode_negative_response(SessionError::not_listening_on_called_name));
    } else {
        const auto positive =
            netbios::encode_session_packet(SessionType::positive_response, nullptr, 0);
        output_.insert(output_.end(), positive.begin(), positive.end());
        state_ = State::established;
    }
}

void MessageSession::on_smb(const uint8_t* payload, size_t length) {
    const auto smb = smb::decode_smb(payload, length);
    if (!smb || (smb->header.flags & smb::kFlagsReply)) {
        end();
        return;
    }
    using smb::Status;
    Status status = Status::malformed;
    std::vector<uint16_t> words;
    auto deliver = [this](const SessionMessage& m) {
        return deliver_ && deliver_(m) ? Status::success : Status::not_delivered;
    };

    switch (smb->header.command) {
        case smb::kSendMessage:
            if (auto m = smb::parse_send_message(*smb)) {
                status = m->text.size() > kMaxMessageText
                             ? Status::too_long
                             : deliver({std::move(m->names.originator),
                                        std::move(m->names.destination), std::move(m->text)});
            }
            break;
        case smb::kSendStartMultiBlock:
            if (auto names = smb::parse_start_message(*smb)) {
                if (pending_) {
                    status = Status::out_of_sequence;
                } else {
                    pending_ = Pending{next_group_++,
                                       {std::move(names->originator), std::move(names->destination),
                                        std::string()}};
                    if (next_group_ == 0) next_group_ = 1;
                    words = {pending_->group};
                    status = Status::success;
                }
            }
            break;
        case smb::kSendTextMultiBlock:
            if (auto text = smb::parse_text_block(*smb)) {
                if (!pending_ || pending_->group != smb->words[0]) {
                    status = Status::out_of_sequence;
                } else if (text->size() > kMaxMessageText - pending_->message.text.size()) {
                    pending_.reset();
                    status = Status::too_long;
                } else {
                    pending_->message.text += *text;
                    status = Status::success;
                }
            }
            break;
        case smb::kSendEndMultiBlock:
            if (smb->words.size() == 1 && smb->bytes.empty()) {
                if (!pending_ || pending_->group != smb->words[0]) {
                    status = Status::out_of_sequence;
                } else {
                    status = deliver(pending_->message);
                    pending_.reset();
                }
            }
            break;
        default:
            end();
            return;
    }
    const auto reply = smb::build_response(smb->header, status, std::move(words));
    output_.insert(output_.end(), reply.begin(), reply.end());
}
