// Tells the tests where the page sits in the window and how tall it is, through the title:
// "<title> mebo-scroll-test top=<rows above the page> left=<columns left of the page> width=<page width without scroll bar> height=<visible rows> page=<page height>
// scroll=<rows scrolled> outer=<window width>x<window height>".
let meboTitle = null;
function meboReport() {
  const d = document.documentElement;
  if (meboTitle === null) meboTitle = document.title;
  // The browser draws its own frame: a border of the same width on the left, right and bottom.
  const border = Math.max(0, Math.round((window.outerWidth - window.innerWidth) / 2));
  let top = window.outerHeight - window.innerHeight - border;
  let left = border;
  // Firefox knows where its page is on the screen; its outer size guesses the window manager's frame.
  if ("mozInnerScreenY" in window) {
    top = Math.round(window.mozInnerScreenY - window.screenY);
    left = Math.round(window.mozInnerScreenX - window.screenX);
  }
  document.title = meboTitle + " mebo-scroll-test top=" + top +
    " left=" + left + " width=" + d.clientWidth +
    " height=" + d.clientHeight + " page=" + d.scrollHeight +
    " scroll=" + Math.round(window.scrollY) + " outer=" + window.outerWidth + "x" + window.outerHeight;
}
window.addEventListener("load", meboReport);
window.addEventListener("resize", meboReport);
window.addEventListener("scroll", meboReport);
