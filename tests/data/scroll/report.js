// Tells the tests where the page sits in the window and how tall it is, through the title:
// "<title> mebo-scroll-test top=<rows above the page> width=<page width without scroll bar> height=<visible rows> page=<page height>".
let meboTitle = null;
function meboReport() {
  const d = document.documentElement;
  if (meboTitle === null) meboTitle = document.title;
  document.title = meboTitle + " mebo-scroll-test top=" + (window.outerHeight - window.innerHeight) + " width=" + d.clientWidth +
    " height=" + d.clientHeight + " page=" + d.scrollHeight;
}
window.addEventListener("load", meboReport);
window.addEventListener("resize", meboReport);
