#include "report/diagram.h"

#include "report/page.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace report {

namespace {

// Geometry in the SVG's own units; the plot's x is in turns inside it.
constexpr int view_width = 1000;
constexpr int plot_left = 110;  // the lanes' names on its left
constexpr int plot_width = view_width - plot_left - 10;
constexpr int axis_height = 22;
constexpr int lane_height = 24;
constexpr int wave_high = 5;  // the wave's levels within a lane
constexpr int wave_low = 19;
constexpr int message_lane_height = 50;  // two rows of labels
constexpr int action_lane_height = 36;

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", v);
  return text;
}

int deadline_turn(const statement& s) { return int((s.deadline + turn_length - 1) / turn_length); }

// The failing turn of a statement; one found only at the end fails at the
// last turn.
int failing_turn(const statement& s, int turns) { return s.turn >= 0 ? s.turn : std::max(0, turns - 1); }

int wave_y(int top, int32_t value) {
  if (value == 0) return top + wave_low;
  if (value == 1) return top + wave_high;
  return top + (wave_high + wave_low) / 2;  // a value other than on or off
}

// A lane with more changes than this draws the stretches where its
// changes come closer than the run's length / this as solid blocks, as a
// wave viewer does: an output chattering at every turn of an hour would
// otherwise make a page of megabytes that shows nothing more. The JSON file
// keeps every change.
constexpr size_t max_exact_changes = 20000;

struct lane_drawing {
  std::string wave;
  std::string busy;  // the blocks
};

// The lane's wave: a horizontal segment per value, a vertical one per
// change; x in turns, relative, so that a long run stays short.
lane_drawing draw_lane(const std::vector<change>& changes, int top, int turns) {
  lane_drawing d;
  if (changes.empty()) return d;
  const int gap = changes.size() > max_exact_changes ? std::max(1, turns / int(max_exact_changes)) : 0;
  d.wave.reserve(std::min(changes.size(), 2 * max_exact_changes) * 10 + 16);
  d.wave += "M" + std::to_string(changes[0].turn) + " " + std::to_string(wave_y(top, changes[0].value));
  int at = changes[0].turn;
  for (size_t i = 1; i < changes.size(); ++i) {
    size_t last = i;
    while (last + 1 < changes.size() && changes[last + 1].turn - changes[last].turn < gap) ++last;
    if (last >= i + 2) {  // a block from change i to change `last`
      d.busy += "M" + std::to_string(changes[i].turn) + " " + std::to_string(top + wave_high) + "H" +
                std::to_string(changes[last].turn) + "V" + std::to_string(top + wave_low) + "H" +
                std::to_string(changes[i].turn) + "Z";
      d.wave += "H" + std::to_string(changes[i].turn) + "M" + std::to_string(changes[last].turn) + " " +
                std::to_string(wave_y(top, changes[last].value));
      at = changes[last].turn;
      i = last;
      continue;
    }
    d.wave += "h" + std::to_string(changes[i].turn - at) + "V" + std::to_string(wave_y(top, changes[i].value));
    at = changes[i].turn;
  }
  d.wave += "H" + std::to_string(turns);
  return d;
}

// A thick line under the wave wherever a fault held the value.
std::string forced_path(const std::vector<change>& forced, int top, int turns) {
  std::string d;
  for (size_t i = 0; i < forced.size(); ++i) {
    if (forced[i].value == 0) continue;
    const int end = i + 1 < forced.size() ? forced[i + 1].turn : turns;
    d += "M" + std::to_string(forced[i].turn) + " " + std::to_string(top + lane_height - 2) + "H" +
         std::to_string(end);
  }
  return d;
}

class diagram_writer {
 public:
  diagram_writer(std::ostream& out, const run_report& r, const std::string& id)
      : out(out), r(r), t(r.diagram), id(id), turns(std::max(1, t.turns)) {
    messages_top = axis_height + int(t.lanes.size()) * lane_height;
    actions_top = messages_top + message_lane_height;
    height = actions_top + action_lane_height;
  }

  void write() {
    out << "<svg class=\"timing\" id=\"" << id << "\" viewBox=\"0 0 " << view_width << ' ' << height
        << "\" data-x0=\"" << plot_left << "\" data-width=\"" << plot_width << "\" data-turns=\"" << turns
        << "\" data-top=\"" << axis_height << "\" role=\"img\" aria-label=\"timing diagram\">\n";
    names();
    out << "<svg class=\"view\" x=\"" << plot_left << "\" y=\"0\" width=\"" << plot_width << "\" height=\""
        << height << "\">\n<rect class=\"back\" width=\"" << plot_width << "\" height=\"" << height
        << "\"/>\n<g class=\"axis\"></g>\n<g class=\"plot\" transform=\"scale("
        << number(double(plot_width) / turns) << " 1)\">\n";
    faults();
    actions();
    within_spans();
    waves();
    message_ticks();
    markers();
    out << "</g>\n<g class=\"floating\">\n";
    labels();
    out << "</g>\n</svg>\n</svg>\n";
  }

 private:
  double x_of(int turn) const { return double(turn) * plot_width / turns; }

  void names() {
    out << "<g class=\"names\">\n";
    for (size_t i = 0; i < t.lanes.size(); ++i) {
      const int top = axis_height + int(i) * lane_height;
      if (i % 2) out << "<rect class=\"stripe\" x=\"0\" y=\"" << top << "\" width=\"" << view_width
                     << "\" height=\"" << lane_height << "\"/>";
      out << "<text class=\"lane-name\" x=\"6\" y=\"" << top + 16 << "\">" << html_escaped(t.lanes[i].name)
          << "</text>\n";
    }
    out << "<text class=\"lane-name other\" x=\"6\" y=\"" << messages_top + 20
        << "\">messages</text>\n<text class=\"lane-name other\" x=\"6\" y=\"" << actions_top + 20
        << "\">operator</text>\n</g>\n";
  }

  int lane_top(const std::string& signal) const {
    for (size_t i = 0; i < t.lanes.size(); ++i)
      if (t.lanes[i].name == signal) return axis_height + int(i) * lane_height;
    return -1;
  }

  // A faint band across the diagram, and the faulted signal's own lane
  // shaded deeper.
  void faults() {
    for (const marked_span& f : t.faults) {
      const std::string title = "<title>" + html_escaped(f.text) + " (line " + std::to_string(f.line) +
                                ")</title>";
      const int width = f.to_turn - f.from_turn + 1;
      out << "<rect class=\"fault-band\" x=\"" << f.from_turn << "\" y=\"" << axis_height << "\" width=\""
          << width << "\" height=\"" << height - axis_height << "\">" << title << "</rect>\n";
      const int top = lane_top(f.signal);
      if (top >= 0)
        out << "<rect class=\"fault\" data-signal=\"" << html_escaped(f.signal) << "\" x=\"" << f.from_turn
            << "\" y=\"" << top << "\" width=\"" << width << "\" height=\"" << lane_height << "\">" << title
            << "</rect>\n";
    }
  }

  void actions() {
    std::string ticks;
    for (const marked_span& a : t.actions) {
      if (a.to_turn > a.from_turn)
        out << "<rect class=\"press\" x=\"" << a.from_turn << "\" y=\"" << actions_top + 22 << "\" width=\""
            << a.to_turn - a.from_turn + 1 << "\" height=\"10\"><title>" << html_escaped(a.text)
            << "</title></rect>\n";
      ticks += "M" + std::to_string(a.from_turn) + " " + std::to_string(actions_top + 20) + "v14";
    }
    if (!ticks.empty()) out << "<path class=\"tick action\" d=\"" << ticks << "\"/>\n";
  }

  // A failed `within`: from its trigger to its deadline.
  void within_spans() {
    for (const statement& s : r.statements) {
      if (s.result != status::failed || s.trigger_turn < 0) continue;
      out << "<rect class=\"within-span\" x=\"" << s.trigger_turn << "\" y=\"" << axis_height
          << "\" width=\"" << std::max(1, deadline_turn(s) - s.trigger_turn) << "\" height=\""
          << height - axis_height << "\"><title>line " << s.line << ": from the trigger to the deadline"
          << "</title></rect>\n";
    }
  }

  void waves() {
    for (size_t i = 0; i < t.lanes.size(); ++i) {
      const signal_lane& lane = t.lanes[i];
      const int top = axis_height + int(i) * lane_height;
      const lane_drawing drawn = draw_lane(lane.changes, top, turns);
      out << "<path class=\"wave\" data-signal=\"" << html_escaped(lane.name) << "\" d=\"" << drawn.wave << "\"/>\n";
      if (!drawn.busy.empty())
        out << "<path class=\"busy\" d=\"" << drawn.busy << "\"><title>" << html_escaped(lane.name)
            << ": changes closer together than the page draws them, shown as blocks (the JSON file has each one)</title></path>\n";
      const std::string forced = forced_path(lane.forced, top, turns);
      if (!forced.empty())
        out << "<path class=\"forced\" d=\"" << forced << "\"><title>" << html_escaped(lane.name)
            << " held by a fault</title></path>\n";
    }
  }

  void message_ticks() {
    if (t.messages.empty()) return;
    std::string d;
    d.reserve(t.messages.size() * 16);
    for (const message_mark& m : t.messages)
      d += "M" + std::to_string(m.turn) + " " + std::to_string(messages_top + 2) + "v6";
    out << "<path class=\"tick message\" d=\"" << d << "\"/>\n";
  }

  void marker(const std::string& marker, int from, int to, const std::string& title) {
    out << "<line class=\"failure\" id=\"" << marker << "\" x1=\"" << to << "\" x2=\"" << to << "\" y1=\""
        << axis_height << "\" y2=\"" << height << "\" data-turn=\"" << to << "\" data-from=\"" << from
        << "\" data-to=\"" << to << "\"><title>" << html_escaped(title) << "</title></line>\n";
  }

  void markers() {
    for (size_t i = 0; i < r.statements.size(); ++i) {
      const statement& s = r.statements[i];
      if (s.result != status::failed) continue;
      const int turn = failing_turn(s, turns);
      marker(marker_id(id, i), s.trigger_turn >= 0 ? s.trigger_turn : turn, turn,
             "line " + std::to_string(s.line) + ": " + s.text + ": " + s.observed);
    }
    if (r.verdict == "FAILED" && !r.problem.empty())
      marker(run_marker_id(id), turns - 1, turns - 1, r.problem);
  }

  void label(int turn, int y, const std::string& cls, const std::string& text) {
    out << "<text class=\"" << cls << "\" x=\"" << number(x_of(turn) + 3) << "\" y=\"" << y
        << "\" data-turn=\"" << turn << "\">" << html_escaped(text) << "</text>\n";
  }

  // Messages on two rows, in turn order; the script hides those that
  // would overlap at the present zoom.
  void labels() {
    for (size_t i = 0; i < t.messages.size(); ++i)
      label(t.messages[i].turn, messages_top + (i % 2 ? 40 : 24), "message", t.messages[i].text);
    for (const marked_span& a : t.actions) label(a.from_turn, actions_top + 16, "action", a.label);
    // One label for the failures of a turn.
    std::map<int, std::string> failed_lines;
    for (const statement& s : r.statements)
      if (s.result == status::failed) {
        std::string& lines = failed_lines[failing_turn(s, turns)];
        lines += (lines.empty() ? "line " : ", ") + std::to_string(s.line);
      }
    for (const auto& [turn, lines] : failed_lines) label(turn, axis_height + 10, "keep failure-label", lines);
  }

  std::ostream& out;
  const run_report& r;
  const timeline& t;
  const std::string& id;
  const int turns;
  int messages_top = 0;
  int actions_top = 0;
  int height = 0;
};

}  // namespace

std::string marker_id(const std::string& id, size_t statement) {
  return id + "-fail-" + std::to_string(statement);
}

std::string run_marker_id(const std::string& id) { return id + "-fail-run"; }

void write_diagram(std::ostream& out, const run_report& r, const std::string& id) {
  diagram_writer(out, r, id).write();
}

const char* const diagram_style = R"js(
svg.timing{width:100%;height:auto;display:block;background:#fff;border:1px solid #ccc;cursor:grab;user-select:none}
svg.timing .back{fill:#fff;fill-opacity:0}svg.timing .stripe{fill:#f7f7fa}
svg.timing .lane-name{font:12px ui-monospace,monospace;fill:#333}svg.timing .lane-name.other{fill:#777;font-style:italic}
svg.timing .wave{fill:none;stroke:#1f4e9c;stroke-width:1.5;vector-effect:non-scaling-stroke}
svg.timing .busy{fill:#1f4e9c;opacity:.55}
svg.timing .forced{fill:none;stroke:#e07000;stroke-width:4;vector-effect:non-scaling-stroke}
svg.timing .fault-band{fill:#ffb347;opacity:.12}svg.timing .fault{fill:#ff9a1f;opacity:.35}
svg.timing .press{fill:#8fa8d8}
svg.timing .tick{stroke:#666;stroke-width:1;vector-effect:non-scaling-stroke}
svg.timing .within-span{fill:#c8102e;opacity:.13}
svg.timing .failure{stroke:#d0021b;stroke-width:2;vector-effect:non-scaling-stroke}
svg.timing .failure.selected{stroke-width:4}
svg.timing text.message,svg.timing text.action{font:11px system-ui,sans-serif;fill:#333;white-space:pre}
svg.timing text.failure-label{font:bold 11px system-ui,sans-serif;fill:#d0021b}
svg.timing .grid{stroke:#e4e4e4;stroke-width:1}svg.timing .tick-label{font:11px system-ui,sans-serif;fill:#555}
tr[data-marker]{cursor:pointer}tr[data-marker]:hover{background:#fdecee}
)js";

const char* const diagram_script = R"js(
var svgNS="http://www.w3.org/2000/svg";
function Diagram(svg){
  var x0=+svg.getAttribute("data-x0"),w=+svg.getAttribute("data-width"),turns=+svg.getAttribute("data-turns");
  var top=+svg.getAttribute("data-top"),height=svg.viewBox.baseVal.height;
  var plot=svg.querySelector(".plot"),axis=svg.querySelector(".axis");
  var labels=Array.prototype.slice.call(svg.querySelectorAll(".floating text"));
  var start=0,span=turns,least=Math.min(turns,20);
  function x(turn){return (turn-start)*w/span;}
  function clamp(){span=Math.max(least,Math.min(turns,span));start=Math.max(0,Math.min(turns-span,start));}
  function ticks(){
    while(axis.firstChild)axis.removeChild(axis.firstChild);
    var steps=[1,2,4,10,20,40,100,200,400,1000,2000,4000,6000,12000,24000,60000,120000,240000,720000];
    var step=steps[steps.length-1];
    for(var i=0;i<steps.length;i++)if(steps[i]*w/span>=70){step=steps[i];break;}
    for(var turn=Math.ceil(start/step)*step;turn<=start+span;turn+=step){
      var px=x(turn),line=document.createElementNS(svgNS,"line"),text=document.createElementNS(svgNS,"text");
      line.setAttribute("class","grid");line.setAttribute("x1",px);line.setAttribute("x2",px);
      line.setAttribute("y1",top-4);line.setAttribute("y2",height);
      text.setAttribute("class","tick-label");text.setAttribute("x",px+2);text.setAttribute("y",top-8);
      text.setAttribute("data-turn",turn);
      text.textContent=(+(turn*0.005).toFixed(3))+" s";
      axis.appendChild(line);axis.appendChild(text);
    }
  }
  function draw(){
    clamp();
    var k=w/span;
    plot.setAttribute("transform","scale("+k+" 1) translate("+(-start)+" 0)");
    var free={};
    labels.forEach(function(t){
      var px=x(+t.getAttribute("data-turn")),row=t.getAttribute("y"),room=t.textContent.length*6.2;
      t.setAttribute("x",px+3);
      var shown=px>=-room&&px<=w&&(t.classList.contains("keep")||!(row in free)||px>=free[row]);
      t.style.display=shown?"":"none";
      if(shown)free[row]=px+room+8;
    });
    ticks();
    svg.setAttribute("data-view-start",start);svg.setAttribute("data-view-span",span);
  }
  function pointer(e){var m=svg.getScreenCTM();return (e.clientX-m.e)/m.a;}
  svg.addEventListener("wheel",function(e){
    e.preventDefault();
    var p=pointer(e)-x0,at=start+p*span/w;
    span*=e.deltaY<0?0.8:1.25;clamp();start=at-p*span/w;draw();
  },{passive:false});
  var dragFrom=null,dragStart=0;
  svg.addEventListener("mousedown",function(e){dragFrom=pointer(e);dragStart=start;e.preventDefault();});
  window.addEventListener("mousemove",function(e){if(dragFrom===null)return;start=dragStart-(pointer(e)-dragFrom)*span/w;draw();});
  window.addEventListener("mouseup",function(){dragFrom=null;});
  svg.addEventListener("dblclick",function(){start=0;span=turns;draw();});
  // Turns from..to brought into view, with some room around them.
  this.show=function(from,to){
    var room=Math.max(20,(to-from)/2);
    if(to-from+2*room>span)span=to-from+2*room;
    if(from-room<start||to+room>start+span)start=(from+to)/2-span/2;
    draw();
  };
  draw();
}
document.querySelectorAll("svg.timing").forEach(function(svg){svg.diagram=new Diagram(svg);});
document.querySelectorAll("tr[data-marker]").forEach(function(row){
  row.addEventListener("click",function(){
    var m=document.getElementById(row.getAttribute("data-marker")),svg=m.closest("svg.timing");
    document.querySelectorAll(".failure.selected").forEach(function(s){s.classList.remove("selected");});
    m.classList.add("selected");
    svg.diagram.show(+m.getAttribute("data-from"),+m.getAttribute("data-to"));
    svg.scrollIntoView({block:"center"});
  });
});
)js";

}  // namespace report
