#include "platform/serial/simulated_serial.h"

#include <algorithm>

namespace vx::platform {

class SimulatedSerialDevice final : public SerialDevice {
 public:
  explicit SimulatedSerialDevice(std::shared_ptr<SimulatedSerialPort> port) : port_(std::move(port)) {}
  ~SimulatedSerialDevice() override {
    std::lock_guard lock(port_->mutex_);
    port_->open_ = false;
  }
  SimulatedSerialDevice(const SimulatedSerialDevice&) = delete;
  SimulatedSerialDevice& operator=(const SimulatedSerialDevice&) = delete;

  bool get_state(DeviceControlBlock& state) override {
    std::lock_guard lock(port_->mutex_);
    state = port_->state_;
    return true;
  }

  std::uint32_t set_state(const DeviceControlBlock& state) override {
    std::lock_guard lock(port_->mutex_);
    if (port_->state_error_ != 0) return port_->state_error_;
    if (state.BaudRate == 0 || state.ByteSize < 5 || state.ByteSize > 8) return ERROR_INVALID_PARAMETER;
    port_->state_ = state;
    ++port_->state_changes_;
    return 0;
  }

  bool escape(std::uint32_t function) override {
    std::lock_guard lock(port_->mutex_);
    switch (function) {
      case SETRTS: port_->rts_ = true; return true;
      case CLRRTS: port_->rts_ = false; return true;
      case SETDTR: port_->dtr_ = true; return true;
      case CLRDTR: port_->dtr_ = false; return true;
      case SETBREAK:
      case CLRBREAK: return true;
      default: return false;
    }
  }

  std::uint32_t setup_queues(std::uint32_t, std::uint32_t) override {
    std::lock_guard lock(port_->mutex_);
    return port_->queue_error_;
  }

  bool clear_errors(std::uint32_t& errors, SerialPortStatus& status) override {
    std::lock_guard lock(port_->mutex_);
    errors = port_->line_errors_;
    port_->line_errors_ = 0;
    status.in_queue = static_cast<std::uint32_t>(port_->input_.size());
    status.out_queue = static_cast<std::uint32_t>(port_->output_.size());
    return true;
  }

  bool modem_status(std::uint32_t& lines) override {
    std::lock_guard lock(port_->mutex_);
    lines = port_->modem_lines_;
    return true;
  }

  std::uint32_t purge(std::uint32_t flags) override {
    std::lock_guard lock(port_->mutex_);
    if ((flags & (PURGE_TXABORT | PURGE_TXCLEAR)) != 0) port_->output_.clear();
    if ((flags & (PURGE_RXABORT | PURGE_RXCLEAR)) != 0) port_->input_.clear();
    port_->changed_.notify_all();
    return 0;
  }

  std::int32_t read(std::uint8_t* buffer, std::uint32_t count) override {
    std::lock_guard lock(port_->mutex_);
    if (port_->read_failure_) return -1;
    const std::size_t n = std::min<std::size_t>(count, port_->input_.size());
    std::copy_n(port_->input_.begin(), n, buffer);
    port_->input_.erase(port_->input_.begin(), port_->input_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<std::int32_t>(n);
  }

  std::int32_t write(const std::uint8_t* data, std::uint32_t count) override {
    std::lock_guard lock(port_->mutex_);
    if (port_->write_failure_) return -1;
    const std::size_t room = port_->output_capacity_ - std::min(port_->output_capacity_, port_->output_.size());
    const std::size_t n = std::min<std::size_t>(count, room);
    port_->output_.insert(port_->output_.end(), data, data + n);
    if (n > 0) port_->write_sizes_.push_back(n);
    return static_cast<std::int32_t>(n);
  }

  bool wait_writable() override {
    std::unique_lock lock(port_->mutex_);
    port_->changed_.wait(lock, [this] {
      return port_->writer_woken_ || port_->write_failure_ || port_->output_.size() < port_->output_capacity_;
    });
    if (port_->writer_woken_) {
      port_->writer_woken_ = false;
      return false;
    }
    return !port_->write_failure_;
  }

  void wake_writer() override {
    std::lock_guard lock(port_->mutex_);
    port_->writer_woken_ = true;
    port_->changed_.notify_all();
  }

  void set_event_mask(std::uint32_t mask) override {
    std::lock_guard lock(port_->mutex_);
    port_->event_mask_ = mask;
    if (mask == 0) port_->event_wait_cancelled_ = true;
    port_->changed_.notify_all();
  }

  bool wait_event(std::uint32_t& events) override {
    SimulatedSerialPort& p = *port_;
    std::unique_lock lock(p.mutex_);
    p.changed_.wait(lock, [&p] {
      return p.event_waits_fail_ || p.event_wait_cancelled_ || p.event_mask_ == 0 ||
             (p.pending_events_ & p.event_mask_) != 0;
    });
    if (p.event_waits_fail_) return false;
    if (p.event_wait_cancelled_ || p.event_mask_ == 0) {
      p.event_wait_cancelled_ = false;
      events = 0;
      return true;
    }
    events = p.pending_events_ & p.event_mask_;
    p.pending_events_ = 0;
    return true;
  }

 private:
  std::shared_ptr<SimulatedSerialPort> port_;
};

void SimulatedSerialPort::raise_events(std::uint32_t events) {
  if (silent_) return;
  pending_events_ |= events;
  changed_.notify_all();
}

void SimulatedSerialPort::send(std::span<const std::uint8_t> bytes, std::uint32_t line_errors) {
  std::lock_guard lock(mutex_);
  std::uint32_t errors = line_errors;
  for (const std::uint8_t byte : bytes) {
    if (input_.size() < input_capacity_) {
      input_.push_back(byte);
    } else {
      errors |= CE_RXOVER;
    }
  }
  line_errors_ |= errors;
  std::uint32_t events = bytes.empty() ? 0 : EV_RXCHAR;
  if ((errors & ~CE_BREAK) != 0) events |= EV_ERR;
  if ((errors & CE_BREAK) != 0) events |= EV_BREAK;
  raise_events(events);
}

std::vector<std::uint8_t> SimulatedSerialPort::receive() {
  std::lock_guard lock(mutex_);
  std::vector<std::uint8_t> taken;
  taken.swap(output_);
  changed_.notify_all();
  return taken;
}

std::size_t SimulatedSerialPort::written_count() {
  std::lock_guard lock(mutex_);
  return output_.size();
}

void SimulatedSerialPort::set_modem_lines(std::uint32_t lines) {
  std::lock_guard lock(mutex_);
  const std::uint32_t changed = lines ^ modem_lines_;
  modem_lines_ = lines;
  std::uint32_t events = 0;
  if ((changed & MS_CTS_ON) != 0) events |= EV_CTS;
  if ((changed & MS_DSR_ON) != 0) events |= EV_DSR;
  if ((changed & MS_RLSD_ON) != 0) events |= EV_RLSD;
  if ((changed & MS_RING_ON) != 0) events |= EV_RING;
  raise_events(events);
}

std::vector<std::size_t> SimulatedSerialPort::write_sizes() {
  std::lock_guard lock(mutex_);
  return write_sizes_;
}

bool SimulatedSerialPort::is_open() {
  std::lock_guard lock(mutex_);
  return open_;
}

std::uint32_t SimulatedSerialPort::open_count() {
  std::lock_guard lock(mutex_);
  return open_count_;
}

bool SimulatedSerialPort::dtr() {
  std::lock_guard lock(mutex_);
  return dtr_;
}

bool SimulatedSerialPort::rts() {
  std::lock_guard lock(mutex_);
  return rts_;
}

DeviceControlBlock SimulatedSerialPort::state() {
  std::lock_guard lock(mutex_);
  return state_;
}

std::uint32_t SimulatedSerialPort::state_changes() {
  std::lock_guard lock(mutex_);
  return state_changes_;
}

std::size_t SimulatedSerialPort::held_input() {
  std::lock_guard lock(mutex_);
  return input_.size();
}

void SimulatedSerialPort::set_open_error(std::uint32_t error) {
  std::lock_guard lock(mutex_);
  open_error_ = error;
}

void SimulatedSerialPort::set_state_error(std::uint32_t error) {
  std::lock_guard lock(mutex_);
  state_error_ = error;
}

void SimulatedSerialPort::set_queue_error(std::uint32_t error) {
  std::lock_guard lock(mutex_);
  queue_error_ = error;
}

void SimulatedSerialPort::set_output_capacity(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  output_capacity_ = bytes;
  changed_.notify_all();
}

void SimulatedSerialPort::set_input_capacity(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  input_capacity_ = bytes;
}

void SimulatedSerialPort::set_read_failure(bool failing) {
  std::lock_guard lock(mutex_);
  read_failure_ = failing;
}

void SimulatedSerialPort::set_write_failure(bool failing) {
  std::lock_guard lock(mutex_);
  write_failure_ = failing;
  changed_.notify_all();
}

void SimulatedSerialPort::set_silent(bool silent) {
  std::lock_guard lock(mutex_);
  silent_ = silent;
}

void SimulatedSerialPort::fail_event_waits() {
  std::lock_guard lock(mutex_);
  event_waits_fail_ = true;
  changed_.notify_all();
}

SimulatedSerialPort& SimulatedSerialBus::port(std::uint32_t n) {
  std::lock_guard lock(mutex_);
  std::shared_ptr<SimulatedSerialPort>& entry = ports_[n];
  if (!entry) entry = std::make_shared<SimulatedSerialPort>();
  return *entry;
}

SerialOpenResult SimulatedSerialBus::open(std::string_view name) {
  std::shared_ptr<SimulatedSerialPort> port;
  {
    std::lock_guard lock(mutex_);
    const auto found = ports_.find(com_port_number(name));
    if (found == ports_.end()) return {nullptr, ERROR_FILE_NOT_FOUND, {}};
    port = found->second;
  }
  std::lock_guard lock(port->mutex_);
  if (port->open_error_ != 0) return {nullptr, port->open_error_, {}};
  if (port->open_) return {nullptr, ERROR_ACCESS_DENIED, {}};
  port->open_ = true;
  ++port->open_count_;
  port->event_mask_ = 0;
  port->pending_events_ = 0;
  port->event_wait_cancelled_ = false;
  port->writer_woken_ = false;
  return {std::make_unique<SimulatedSerialDevice>(port), 0, {}};
}

}  // namespace vx::platform
