// The frame every sample page shares. The query cuts some values with windows
// that start near the top of a page when their marker is missing, so the
// frame stays free of everything a cut looks for: no " >", no "</span>",
// "</div>" or "</em></p>" near the top, no digits right before "</a>", no
// service names right before a tag, no "男" or "女".

#include "marketplace/Pages.h"

namespace kestrova::marketplace {

std::string PageHead(const std::string& title, const std::string& stylesheet) {
    return R"(<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=gbk" />
<meta name="description" content="淘宝网示例页面，会员、店铺与评价均为虚构。" />
<title>)" + title +
           R"(</title>
<link rel="stylesheet" type="text/css" href="http://assets.taobaocdn.com/tbra/1.0/global-min.css" />
<link rel="stylesheet" type="text/css" href=")" +
           stylesheet + R"(" />
<script type="text/javascript" src="http://assets.taobaocdn.com/s/kissy/1.1.6/kissy-min.js"></script>
<!--[if lt IE 7]><script type="text/javascript">document.execCommand("BackgroundImageCache", false, true);</script><![endif]-->
</head>
)";
}

std::string SiteBar() {
    return R"(<body>
<div id="site-nav">
<p class="login-info">您好，欢迎来淘宝！<a href="http://login.taobao.com/member/login.jhtml">请登录</a> <a href="http://member1.taobao.com/member/new_register.jhtml">免费注册</a></p>
<ul class="quick-menu">
<li class="home"><a href="http://www.taobao.com/">淘宝网首页</a></li>
<li class="mytaobao"><a href="http://i.taobao.com/my_taobao.htm">我的淘宝</a></li>
<li class="cart"><a href="http://cart.taobao.com/my_cart.htm">购物车</a></li>
<li class="favorite"><a href="http://favorite.taobao.com/collect_list.htm">收藏夹</a></li>
<li class="services"><a href="http://service.taobao.com/support/main/help_center.htm">帮助中心</a></li>
</ul>
</div>
<div id="header">
<h1 id="logo"><a href="http://www.taobao.com/" title="淘宝网">淘宝网</a></h1>
<form id="search" action="http://s.taobao.com/search" method="get">
<input type="text" name="q" class="search-input" value="" />
<button type="submit">搜 索</button>
</form>
</div>
)";
}

std::string SiteFooter() {
    return R"(<div id="footer">
<p class="links"><a href="http://www.taobao.com/about/">关于淘宝</a> | <a href="http://www.taobao.com/about/partners.php">合作伙伴</a> | <a href="http://service.taobao.com/support/main/help_center.htm">帮助中心</a> | <a href="http://www.taobao.com/about/contact.php">联系我们</a></p>
<p class="notice">本页面为示例站点所生成，所有会员、店铺、宝贝与评价均为虚构。</p>
</div>
<script type="text/javascript">
KISSY.ready(function(S) { S.log("page ready"); });
</script>
<!-- sample marketplace -->
</body>
</html>
)";
}

}  // namespace kestrova::marketplace
